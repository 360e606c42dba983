#pragma once
// Constants of the Jet database file format (Jet 3: Access 97, Jet 4: Access 2000-2003).
// docs/jet-format.md describes every structure in prose; this header only names the numbers,
// each once. All integers in the file are little-endian unless noted (index keys and the row
// pointers inside index entries are big-endian). What differs between the versions is an
// offset or size in `Layout` (one instance per version, in Format.cpp).

#include <array>
#include <cstddef>
#include <cstdint>

namespace jet {

enum class JetVersion : uint8_t { kJet3 = 0, kJet4 = 1 };

// ---- Page types (first byte of every page) ----
constexpr uint8_t kPageHeader = 0x00;
constexpr uint8_t kPageData = 0x01;
constexpr uint8_t kPageTableDef = 0x02;
constexpr uint8_t kPageIndexNode = 0x03;  // intermediate index page
constexpr uint8_t kPageIndexLeaf = 0x04;
constexpr uint8_t kPageUsageMap = 0x05;

// ---- Header page (page 0) ----
// Byte by byte:
//   0x00  4  magic: 00 01 00 00
//   0x04 16  format id: "Standard Jet DB" and a NUL ("Standard ACE DB" in the files of
//            Access 2007 and later, whatever their version: refused)
//   0x14  1  version: 0 Jet 3, 1 Jet 4 (2 and up: later engines, refused)
//   0x18     the scrambled region, 126 bytes (Jet 3) or 128 (Jet 4), RC4 under a fixed key;
//            it opens with fixed words (the prologue) and, unscrambled, holds:
//   0x3a  2  Jet 3 sort order (locale id)
//   0x3c  2  Windows code page of Jet 3 text (0 in files of early tools)
//   0x3e  4  page-encryption key, 0 = pages in clear
//   0x42 20  Jet 3 password, in the code page; 40 in Jet 4, UTF-16 masked by the date below
//   0x6e  2  Jet 4 sort order (locale id)
//   0x72  8  Jet 4 creation date; its whole part masks the password
constexpr size_t kHeaderMagicOffset = 0x00;
constexpr std::array<uint8_t, 4> kHeaderMagic = {0x00, 0x01, 0x00, 0x00};
constexpr size_t kHeaderFormatIdOffset = 0x04;
constexpr char kHeaderFormatId[] = "Standard Jet DB";     // sizeof counts the NUL: 16 bytes
constexpr char kHeaderAceFormatId[] = "Standard ACE DB";  // Access 2007 and later (.accdb)
constexpr size_t kHeaderVersionOffset = 0x14;
constexpr size_t kHeaderScrambledOffset = 0x18;
constexpr size_t kHeaderScrambledLengthJet3 = 126;
constexpr size_t kHeaderScrambledLengthJet4 = 128;
constexpr uint32_t kHeaderScrambleKey = 0x6b39dac7;  // RC4 key, stored little-endian
// The fixed words the scrambled region opens with, unscrambled, in every file Access or the
// engine writes; a difference there shows the region is damaged.
constexpr std::array<uint8_t, 24> kHeaderRegionPrologue = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                           0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                           0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr size_t kHeaderSortOrderJet3 = 0x3a;
constexpr size_t kHeaderCodePage = 0x3c;
constexpr size_t kHeaderDatabaseKey = 0x3e;
constexpr size_t kHeaderPassword = 0x42;
constexpr size_t kHeaderPasswordLengthJet3 = 20;
constexpr size_t kHeaderPasswordLengthJet4 = 40;
constexpr size_t kHeaderSortOrderJet4 = 0x6e;
constexpr size_t kHeaderCreationDateJet4 = 0x72;
// Characters a database password may have (both versions).
constexpr size_t kMaxPasswordCharacters = 20;
// Locale id of the General sort order, the one Access writes by default (header and text
// columns alike).
constexpr uint16_t kGeneralSortOrder = 0x0409;

constexpr size_t HeaderScrambledLength(JetVersion version) {
  return version == JetVersion::kJet3 ? kHeaderScrambledLengthJet3 : kHeaderScrambledLengthJet4;
}

// ---- Page numbering and fixed pages ----
constexpr uint32_t kHeaderPage = 0;
constexpr uint32_t kGlobalMapPage = 1;        // the database-wide map of free pages
constexpr uint32_t kCatalogTableDefPage = 2;  // table definition of MSysObjects
// A table's catalog id keeps its definition page in the low 24 bits.
constexpr uint32_t kTableIdPageMask = 0x00ffffff;

// ---- Tables every database has ----
inline constexpr const char* kCatalogName = "MSysObjects";
inline constexpr const char* kAccessControlName = "MSysACEs";
// Table type byte of a definition.
constexpr uint8_t kSystemTableType = 0x53;  // 'S'
constexpr uint8_t kUserTableType = 0x4e;    // 'N'

// ---- Row pointers ----
// A row pointer is (page << 8) | row, 32 bits, used by long values, overflow rows and usage.
// Flags in the top bits of a row offset: both set means deleted; 0x4000 alone marks a slot
// that only holds a row pointer to where an enlarged row was moved; 0x8000 alone marks that
// moved row at its new place (a live row, reached in storage order like any other).
constexpr uint16_t kRowOffsetMask = 0x1fff;
constexpr uint16_t kRowFlagMask = 0xc000;
constexpr uint16_t kRowDeletedFlags = 0xc000;
constexpr uint16_t kRowPointerFlag = 0x4000;
constexpr uint16_t kRowMovedFlag = 0x8000;
constexpr uint16_t kRowDeletedFlag = kRowDeletedFlags;  // what a writer ORs in to delete a row
// Rows a data page can hold: a row pointer gives the row one byte, so a row table that
// claims more is damage. Writers fill a page to one fewer, as Jet does.
constexpr size_t kMaxRowsPerPage = 256;
constexpr size_t kRowsPerPageWritten = kMaxRowsPerPage - 1;

// ---- Column types ----
enum class ColumnType : uint8_t {
  kBoolean = 0x01,
  kByte = 0x02,
  kInteger = 0x03,  // 16-bit
  kLong = 0x04,     // 32-bit
  kCurrency = 0x05,
  kSingle = 0x06,
  kDouble = 0x07,
  kDateTime = 0x08,
  kBinary = 0x09,
  kText = 0x0a,
  kOle = 0x0b,
  kMemo = 0x0c,
  kReplicationId = 0x0f,  // GUID
  kNumeric = 0x10,
  // Binary of the length its column gives, kept in the row's fixed area. Access 2000 keeps
  // its own objects in one (MSysAccessObjects.Data, 3992 bytes).
  kLargeBinary = 0x11,
};

// Column flag bits (byte at Layout::col_flags).
constexpr uint8_t kColumnFixedLength = 0x01;
constexpr uint8_t kColumnCanBeNull = 0x02;
constexpr uint8_t kColumnAutoNumber = 0x04;
constexpr uint8_t kColumnReplicationAuto = 0x10;  // automatic GUID
constexpr uint8_t kColumnCompressedUnicode = 0x80;

// ---- Indexes in a table definition ----
// After the definition's header, one entry per real index (Layout::tdef_real_index_entry
// bytes; its 32-bit key count at kRealIndexEntryKeyCount), the columns and their names, then
// one definition per real index (Layout::tdef_real_index_def bytes):
//   Jet 4 only: 4 bytes first (the stamp), which move every field below by 4
//   +0  30  ten column slots: 16-bit column number (0xffff: unused), order byte (1 ascending)
//   +30  4  row pointer to the index's usage map
//   +34  4  first page of the index tree
//   +38  1  flags (Jet 4: after 4 more bytes, whose top bit Access sets)
// then one entry per logical index (Layout::tdef_logical_index bytes), from its stamp on:
//   +0 4 number, +4 4 real index, +8 1 related table's type, +9 4 related index,
//   +13 4 related table's definition page (0xffffffff: none), +17 1 cascade updates,
//   +18 1 cascade deletes, +19 1 kind (1 primary key, 2 relationship)
// and the logical indexes' names. The Layout fields real_index_* and logical_index_* give
// these offsets from the start of a definition or entry, stamp included.
constexpr size_t kRealIndexEntryKeyCount = 4;
constexpr size_t kRealIndexColumnSlots = 10;
constexpr size_t kRealIndexColumnSlotSize = 3;
constexpr uint16_t kNoIndexColumn = 0xffff;
constexpr uint32_t kNoRelatedTable = 0xffffffff;

// ---- Long values (memo, OLE) ----
// A 12-byte field in the row: 24-bit length | flags in the top byte, a row pointer, 4 spare.
constexpr size_t kLongValueHeaderSize = 12;
constexpr uint32_t kLongValueInline = 0x80000000;
constexpr uint32_t kLongValueSinglePage = 0x40000000;
constexpr uint32_t kLongValueLengthMask = 0x3fffffff;
// Owner field of the data pages that hold long values: the characters "LVAL".
constexpr uint32_t kLongValueOwner = 0x4c41564c;

// ---- Usage maps ----
constexpr uint8_t kUsageMapInline = 0x00;
constexpr uint8_t kUsageMapReference = 0x01;
constexpr size_t kUsageMapPageHeader = 4;  // type byte, spare byte, 2 spare bytes

// ---- Catalog (MSysObjects) ----
constexpr int16_t kObjectTypeTable = 1;
constexpr int16_t kObjectTypeLinkedTable = 6;
constexpr uint32_t kObjectSystemFlags = 0x80000002;

// Everything that differs between Jet 3 and Jet 4, as offsets and sizes. One instance of this
// struct per version; see LayoutFor().
struct Layout {
  JetVersion version;
  uint32_t page_size;
  size_t password_length;
  size_t sort_order_offset;

  // Data pages
  size_t data_free_space;  // 16-bit free bytes
  size_t data_owner;       // 32-bit table definition page
  size_t data_row_count;   // 16-bit number of rows
  size_t data_row_offsets;

  // Table definition pages
  size_t tdef_next_page;  // 32-bit continuation page (all versions: offset 4)
  size_t tdef_length;     // 32-bit length of the definition
  size_t tdef_row_count;
  size_t tdef_autonumber;
  size_t tdef_table_type;
  size_t tdef_max_columns;
  size_t tdef_var_columns;
  size_t tdef_columns;
  size_t tdef_index_count;          // logical indexes
  size_t tdef_real_index_count;     // real (physical) indexes
  size_t tdef_used_pages;           // row pointer to the usage map of owned pages
  size_t tdef_free_pages;           // row pointer to the usage map of pages with free space
  size_t tdef_header_end;           // first real index entry
  size_t tdef_real_index_entry;     // size of one real index entry (row counts)
  size_t tdef_column_entry;         // size of one column descriptor
  size_t tdef_real_index_def;       // size of one real index definition
  size_t tdef_logical_index;        // size of one logical index entry
  size_t tdef_continuation_header;  // bytes to skip on each continuation page

  // Real index definition and logical index entry fields (see "Indexes in a table
  // definition" above)
  size_t real_index_columns;
  size_t real_index_used_pages;
  size_t real_index_root;
  size_t real_index_flags;
  size_t logical_index_number;
  size_t logical_index_real_index;
  size_t logical_index_related_index;
  size_t logical_index_related_table;
  size_t logical_index_cascade_updates;
  size_t logical_index_cascade_deletes;
  size_t logical_index_kind;

  // Column descriptor fields
  size_t col_type;
  size_t col_number;
  size_t col_var_offset;  // index among variable-length columns
  size_t col_row_number;  // position counting deleted columns
  size_t col_misc;        // text: collation; numeric: precision, scale
  size_t col_flags;
  size_t col_fixed_offset;
  size_t col_length;

  // Name strings: the length prefix width (1 byte in Jet 3, 2 bytes in Jet 4)
  size_t name_length_size;

  // Rows
  size_t row_column_count_size;  // 1 (Jet 3) or 2 (Jet 4)
  size_t row_var_entry_size;     // 1 (Jet 3, plus jump table) or 2 (Jet 4)

  // Index pages
  size_t index_prev_page;
  size_t index_next_page;
  size_t index_tail_page;
  size_t index_prefix_length;  // shared-prefix length: 1 byte (Jet 3), 2 bytes (Jet 4)
  size_t index_bitmask;
  size_t index_first_entry;

  // Usage-map pages
  bool text_is_unicode;
};

const Layout& LayoutFor(JetVersion version);

// The largest a file of each version may be: Access opens no Jet 3 (Access 97) file past
// 1 GB and no Jet 4 (Access 2000/2003) file past 2 GB, so no writer of the engine grows a
// file past that (PageAllocator refuses the first page beyond).
constexpr uint64_t kMaxFileBytesJet3 = uint64_t{1} << 30;
constexpr uint64_t kMaxFileBytesJet4 = uint64_t{1} << 31;
constexpr uint64_t MaxFileBytes(JetVersion version) {
  return version == JetVersion::kJet3 ? kMaxFileBytesJet3 : kMaxFileBytesJet4;
}
inline uint32_t MaxPageCount(const Layout& layout) {
  return static_cast<uint32_t>(MaxFileBytes(layout.version) / layout.page_size);
}

// Bytes a fixed-length column of this type takes in a row; 0 for variable-length types and
// Boolean (which lives in the null mask).
uint16_t FixedSizeOf(ColumnType type);

}  // namespace jet
