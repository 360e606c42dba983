#pragma once
// Writes one table: rows stream onto data pages as they are added (long values onto their
// own pages), index entries are collected and written as B-trees at the end, followed by
// the usage maps and the table definition page, whose number is fixed when the table starts.
// Memory use is one data page, one long-value page and the index entries.

#include <memory>

#include "jet/write/DataPageBuilder.h"
#include "jet/write/IndexBuilder.h"
#include "jet/write/KeyEncoder.h"
#include "jet/write/LongValueWriter.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/RowEncoder.h"
#include "jet/write/TableDefWriter.h"

namespace jet {

struct RowLocation {
  uint32_t page = 0;
  uint8_t row = 0;
};

class TableBuilder {
 public:
  // Reserves the definition page. `allocator` must outlive the builder.
  static Result<std::unique_ptr<TableBuilder>> Start(PageAllocator& allocator, TableDesign design);

  // Appends a live row. Null in an auto-number column takes the next number.
  Result<RowLocation> AddRow(RowValues values);
  // Appends a row and leaves it deleted: the slot stays, flagged, with no index entries.
  Status AddDeletedRow(RowValues values);
  // Appends `final_values` after first storing the long values of `earlier_values`, which
  // are then dropped: the file keeps them as garbage, as an update of a memo does.
  Result<RowLocation> AddUpdatedRow(const RowValues& earlier_values, RowValues final_values);
  // Writes the remaining pages. No rows may be added afterwards.
  Status Finish();

  uint32_t table_page() const { return table_page_; }
  const TableDesign& design() const { return design_; }
  uint32_t rows() const { return rows_; }
  bool finished() const { return finished_; }
  // Its long-value pages, for the pages that hold only dropped values once it is finished.
  const LongValueWriter& long_values() const { return long_values_; }

 private:
  struct Index {
    IndexDesign design;
    KeyEncoder encoder;
    IndexBuilder builder;
  };

  TableBuilder(PageAllocator& allocator, TableDesign design, TablePlan plan, uint32_t table_page);
  void FillAutoNumbers(RowValues& values);
  Result<RowLocation> Place(std::span<const uint8_t> row);
  Status FlushDataPage();
  Status WriteIndexes(WrittenTable& table, std::vector<std::vector<uint32_t>>& index_pages);
  Status WriteMapsAndDefinition(WrittenTable& table, const std::vector<std::vector<uint32_t>>& index_pages);

  PageAllocator& allocator_;
  TableDesign design_;
  TablePlan plan_;
  uint32_t table_page_;
  RowEncoder encoder_;
  LongValueWriter long_values_;
  DataPageBuilder data_;
  uint32_t data_page_ = 0;
  bool data_open_ = false;
  std::vector<uint32_t> data_pages_;
  std::vector<uint32_t> pages_with_space_;
  std::vector<Index> indexes_;
  uint32_t rows_ = 0;
  uint32_t last_auto_number_ = 0;
  bool finished_ = false;
};

}  // namespace jet
