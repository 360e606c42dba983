#pragma once
// The keys an existing index holds, each paired with the values of the row it points to,
// and the encoder that should give the same keys. Used to check our key encoding against
// the keys Access wrote, and to derive sort weights from them.

#include <memory>
#include <vector>

#include "jet/format/TableDef.h"
#include "jet/read/Database.h"
#include "jet/write/KeyEncoder.h"

namespace jet {

struct StoredKey {
  Bytes key;      // as the index stores it
  RowValues row;  // every column of the row it points to, in the writer's form
};

// The encoder of one real index of an existing table.
class IndexKeyEncoder {
 public:
  IndexKeyEncoder(const Database& db, const TableDef& def, const RealIndex& index);
  const KeyEncoder& encoder() const { return *encoder_; }
  // Whether every text column of the index sorts by the General sort order (Jet 4 keeps a
  // sort order per column, Jet 3 one for the database); other orders' keys are not known.
  bool general() const { return general_; }
  // Whether the index names a column the table has not.
  bool valid() const { return encoder_ != nullptr; }

 private:
  std::vector<ColumnPlan> plans_;
  std::unique_ptr<KeyEncoder> encoder_;
  bool general_ = true;
};

// Every leaf entry of `index` whose row the table lists, with that row's values.
Result<std::vector<StoredKey>> ReadStoredKeys(Database& db, const TableDef& def, const RealIndex& index);

}  // namespace jet
