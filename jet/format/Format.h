#pragma once
// Constants of the Jet database file format (Jet 3: Access 97, Jet 4: Access 2000-2003).
// The prose description of every structure is in docs/jet-format.md; this header only names
// the numbers. All integers in the file are little-endian unless noted (index keys and the
// row pointers inside index entries are big-endian).

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
constexpr size_t kHeaderMagicOffset = 0x00;  // 00 01 00 00
constexpr size_t kHeaderFormatIdOffset = 0x04;  // "Standard Jet DB\0"
constexpr size_t kHeaderVersionOffset = 0x14;   // 0 = Jet 3, 1 = Jet 4 (2+ = later engines)
constexpr size_t kHeaderScrambledOffset = 0x18;  // start of the RC4-scrambled region
constexpr size_t kHeaderScrambledLengthJet3 = 126;
constexpr size_t kHeaderScrambledLengthJet4 = 128;
constexpr uint32_t kHeaderScrambleKey = 0x6b39dac7;  // RC4 key, stored little-endian
// Offsets inside the unscrambled header page:
constexpr size_t kHeaderSortOrderJet3 = 0x3a;  // 16-bit locale id of the sort order
constexpr size_t kHeaderCodePage = 0x3c;       // 16-bit Windows code page
constexpr size_t kHeaderDatabaseKey = 0x3e;    // 32-bit page-encryption key, 0 = none
constexpr size_t kHeaderPassword = 0x42;       // 20 bytes (Jet 3) or 40 bytes (Jet 4)
constexpr size_t kHeaderPasswordLengthJet3 = 20;
constexpr size_t kHeaderPasswordLengthJet4 = 40;
constexpr size_t kHeaderSortOrderJet4 = 0x6e;     // 16-bit locale id
constexpr size_t kHeaderCreationDateJet4 = 0x72;  // 8-byte date; its whole part masks the password

// ---- Page numbering and fixed pages ----
constexpr uint32_t kHeaderPage = 0;
constexpr uint32_t kGlobalMapPage = 1;  // the database-wide map of free pages
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
  size_t tdef_index_count;       // logical indexes
  size_t tdef_real_index_count;  // real (physical) indexes
  size_t tdef_used_pages;        // row pointer to the usage map of owned pages
  size_t tdef_free_pages;        // row pointer to the usage map of pages with free space
  size_t tdef_header_end;        // first real index entry
  size_t tdef_real_index_entry;  // size of one real index entry (row counts)
  size_t tdef_column_entry;      // size of one column descriptor
  size_t tdef_real_index_def;    // size of one real index definition
  size_t tdef_logical_index;     // size of one logical index entry
  size_t tdef_continuation_header;  // bytes to skip on each continuation page

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

// Bytes a fixed-length column of this type takes in a row; 0 for variable-length types and
// Boolean (which lives in the null mask).
uint16_t FixedSizeOf(ColumnType type);

}  // namespace jet
