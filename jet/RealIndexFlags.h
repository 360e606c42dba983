#pragma once
// The flag byte (unique, ignore nulls, required) of each index tree of a table, read from
// where Jet 4 keeps it: after the root page come four spare bytes, then the flags with
// their top bit set. Jet 3 keeps the flags right after the root page.

#include "jet/Database.h"
#include "jet/TableDef.h"

namespace jet {

// Rereads the definition pages of `def` and stores each index tree's flags in it.
// kCorrupt when the definition is shorter than its counts say.
Status LoadRealIndexFlags(Database& db, TableDef& def);

}  // namespace jet
