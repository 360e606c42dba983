#pragma once
// Wine's text form of a registry hive ("user.reg", "system.reg"):
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000
//
//   #arch=win64
//
//   [Software\\Vendor\\Key] 1796690313        <- key path, modification time (Unix seconds)
//   #time=1dd86ac7464c892                      <- modification time as a FILETIME in hex
//   @="default value"                          <- REG_SZ
//   "Name"=str(2):"%USERPROFILE%\\x"            <- REG_EXPAND_SZ (str(7): REG_MULTI_SZ)
//   "Count"=dword:00000001                      <- REG_DWORD
//   "Blob"=hex:01,02,\                          <- REG_BINARY, continued on the next line
//     03
//   "Other"=hex(8):00                           <- any other type as bytes
//
//   [] 1796690320                              <- the hive's own key: values set at its root
//   "Name"="x"
//
//   [Software\\Wow6432Node\\Classes] 1796690321
//   #link                                      <- a link: the key stands for the key that
//   "SymbolicLinkValue"=hex(6):5c,00,...        <- this REG_LINK value names (UTF-16, no NUL)
//
// Strings are escaped C-style (\\ \" \n \t, \xNNNN for characters above 127, octal for other
// control characters). A key is written when it has values or no subkeys; keys above it are
// implied. Keys and values are kept sorted by RegistryNameOrder.h. The last line may lack its
// line end. ParseWineRegistry keeps every line's text so that SerializeWineRegistry repeats the
// keys and values nobody changed byte for byte.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/registry/RegistryTree.h"

namespace tav {

struct WineHive {
  std::string header;  // the lines before the first key, as read
  std::unique_ptr<RegistryNode> root = std::make_unique<RegistryNode>("");
};

// Parses a hive file. Returns false (and leaves `hive` unspecified) when the text is not a
// well-formed Wine registry file; `error` then says where.
bool ParseWineRegistry(const std::string& text, WineHive& hive, std::string& error);

// The file text of a hive. Keys marked changed get `unixTime` as their modification time.
std::string SerializeWineRegistry(const WineHive& hive, int64_t unixTime);

// After the text of SerializeWineRegistry(hive, unixTime) was stored: takes that text as what
// was read, so that the hive need not be parsed again.
void SettleWineRegistry(WineHive& hive, int64_t unixTime);

// The header of a new hive file; `relativeTo` is "REGISTRY\\Machine" or a user's key.
std::string NewWineRegistryHeader(const std::string& relativeTo);

}  // namespace tav
