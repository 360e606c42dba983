#include "jet/format/Format.h"

namespace jet {
namespace {

constexpr Layout kJet3{
    .version = JetVersion::kJet3,
    .page_size = 2048,
    .password_length = kHeaderPasswordLengthJet3,
    .sort_order_offset = kHeaderSortOrderJet3,
    .data_free_space = 2,
    .data_owner = 4,
    .data_row_count = 8,
    .data_row_offsets = 10,
    .tdef_next_page = 4,
    .tdef_length = 8,
    .tdef_row_count = 12,
    .tdef_autonumber = 16,
    .tdef_table_type = 20,
    .tdef_max_columns = 21,
    .tdef_var_columns = 23,
    .tdef_columns = 25,
    .tdef_index_count = 27,
    .tdef_real_index_count = 31,
    .tdef_used_pages = 35,
    .tdef_free_pages = 39,
    .tdef_header_end = 43,
    .tdef_real_index_entry = 8,
    .tdef_column_entry = 18,
    .tdef_real_index_def = 39,
    .tdef_logical_index = 20,
    .tdef_continuation_header = 8,
    .real_index_columns = 0,
    .real_index_used_pages = 30,
    .real_index_root = 34,
    .real_index_flags = 38,
    .logical_index_number = 0,
    .logical_index_real_index = 4,
    .logical_index_related_index = 9,
    .logical_index_related_table = 13,
    .logical_index_cascade_updates = 17,
    .logical_index_cascade_deletes = 18,
    .logical_index_kind = 19,
    .col_type = 0,
    .col_number = 1,
    .col_var_offset = 3,
    .col_row_number = 1,
    .col_misc = 7,
    .col_flags = 13,
    .col_fixed_offset = 14,
    .col_length = 16,
    .name_length_size = 1,
    .row_column_count_size = 1,
    .row_var_entry_size = 1,
    .index_prev_page = 8,
    .index_next_page = 12,
    .index_tail_page = 16,
    .index_prefix_length = 0x14,
    .index_bitmask = 0x16,
    .index_first_entry = 0xf8,
    .text_is_unicode = false,
};

constexpr Layout kJet4{
    .version = JetVersion::kJet4,
    .page_size = 4096,
    .password_length = kHeaderPasswordLengthJet4,
    .sort_order_offset = kHeaderSortOrderJet4,
    .data_free_space = 2,
    .data_owner = 4,
    .data_row_count = 12,
    .data_row_offsets = 14,
    .tdef_next_page = 4,
    .tdef_length = 8,
    .tdef_row_count = 16,
    .tdef_autonumber = 20,
    .tdef_table_type = 40,
    .tdef_max_columns = 41,
    .tdef_var_columns = 43,
    .tdef_columns = 45,
    .tdef_index_count = 47,
    .tdef_real_index_count = 51,
    .tdef_used_pages = 55,
    .tdef_free_pages = 59,
    .tdef_header_end = 63,
    .tdef_real_index_entry = 12,
    .tdef_column_entry = 25,
    .tdef_real_index_def = 52,
    .tdef_logical_index = 28,
    .tdef_continuation_header = 8,
    .real_index_columns = 4,
    .real_index_used_pages = 34,
    .real_index_root = 38,
    .real_index_flags = 46,
    .logical_index_number = 4,
    .logical_index_real_index = 8,
    .logical_index_related_index = 13,
    .logical_index_related_table = 17,
    .logical_index_cascade_updates = 21,
    .logical_index_cascade_deletes = 22,
    .logical_index_kind = 23,
    .col_type = 0,
    .col_number = 5,
    .col_var_offset = 7,
    .col_row_number = 5,
    .col_misc = 11,
    .col_flags = 15,
    .col_fixed_offset = 21,
    .col_length = 23,
    .name_length_size = 2,
    .row_column_count_size = 2,
    .row_var_entry_size = 2,
    .index_prev_page = 0x0c,
    .index_next_page = 0x10,
    .index_tail_page = 0x14,
    .index_prefix_length = 0x18,
    .index_bitmask = 0x1b,
    .index_first_entry = 0x1e0,
    .text_is_unicode = true,
};

}  // namespace

uint16_t FixedSizeOf(ColumnType type) {
  switch (type) {
    case ColumnType::kByte:
      return 1;
    case ColumnType::kInteger:
      return 2;
    case ColumnType::kLong:
    case ColumnType::kSingle:
      return 4;
    case ColumnType::kCurrency:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return 8;
    case ColumnType::kReplicationId:
      return 16;
    case ColumnType::kNumeric:
      return 17;
    default:
      return 0;
  }
}

const Layout& LayoutFor(JetVersion version) { return version == JetVersion::kJet3 ? kJet3 : kJet4; }

}  // namespace jet
