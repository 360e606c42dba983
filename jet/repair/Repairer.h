#pragma once
// Repair of a damaged database. Everything that can still be read is carried into a new
// file written from scratch, as stored, the way compaction carries it: the header (restored
// where damaged), each table's definition with every column attribute, its rows, memo and
// OLE values byte for byte, and the keys of each index whose tree checks sound. Damaged
// indexes are rebuilt with Access's keys, or left out where those cannot be known; usage
// maps and the free-page map are written afresh, and tables get new definition pages (the
// catalog ids follow). Rows are found through each table's map, or, when that is damaged,
// by their pages' owner. Every row dropped, value cut, page skipped, index or table lost
// goes into the report. A file of a later format (the signature of Access 2007 and later,
// whatever its version byte, or a Jet version byte after Jet 4's) is refused, untouched.
//
// On disk the new file is created beside the original under a hidden name with the
// original's mode and owner, synced, read back (its catalog, definitions and usage maps
// against what was written into it), and then renamed over the
// original (over the file a link names, not the link) in one step. When the database cannot
// be repaired the original stays as it was and no other file is left behind.

#include <string>

#include "jet/base/Status.h"
#include "jet/io/File.h"
#include "jet/io/FileSystem.h"
#include "jet/repair/RepairReport.h"

namespace jet {

struct RepairOptions {
  // When not empty, it must match the password the file stores (when that is readable).
  std::string password;
};

// Writes the repaired copy of `source` into the empty `destination` and syncs it. Errors:
// kCorrupt, describing what is lost and where, when no catalog or no table can be read;
// kIo from either file.
Result<RepairReport> RepairInto(File& source, File& destination);

// Repairs the database file at `path` in place, holding it exclusively meanwhile, every step
// through `fs`. A file that opens and passes the structural check is left untouched
// (report.repaired is false). Errors: kNotFound, kInUse (another repair holds it),
// kBadPassword, kUnsupported (a later format, Status::refused_format saying which: the file is left
// byte for byte as it was), kNotADatabase (no signature and no catalog: an empty file, a
// text, random bytes; left as it is), kCorrupt (cannot be repaired, or the
// repaired copy does not read back), kIo; the original is then as it was. When only the flush
// of the folder after the rename fails, the repair has happened and report.unsynced says so.
Result<RepairReport> RepairDatabase(const std::string& path, const RepairOptions& options = {},
                                    FileSystem& fs = SystemFileSystem());

}  // namespace jet
