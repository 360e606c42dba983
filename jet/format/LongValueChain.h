#pragma once
// The one walk over a memo or OLE value. Its row field holds 12 bytes: the length with two
// flags in the top bits, a row pointer and 4 spare bytes. The data follows inline, or lives
// in one row elsewhere, or in a chain of rows each starting with the pointer to the next.
// Reading, copying, checking, salvaging and freeing a value all walk it here, so that all
// of them refuse the same damage.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "jet/base/Status.h"

namespace jet {

// Where the field keeps the row pointer, after the length and flags.
constexpr size_t kLongValueFieldPointer = 4;

// One piece of a value, as the walk meets it.
struct LongValuePiece {
  uint32_t pointer = 0;           // the row that holds it; 0 for the bytes inside the field
  std::span<const uint8_t> row;   // the whole row (a chain row starts with the next pointer)
  std::span<const uint8_t> data;  // this piece's share of the value: never more than it still lacks
};

// The bytes of the row `pointer` names, valid until the next call; an error ends the walk
// and is returned as it is (kIo stays kIo).
using LongValueRowFetch = std::function<Result<std::span<const uint8_t>>(uint32_t pointer)>;
using LongValuePieceVisit = std::function<Status(const LongValuePiece&)>;

// Walks the value `field` names, handing each piece to `visit` in order; an error from
// `visit` ends the walk and is returned. A piece is visited before the walk decides that
// what follows it is damaged, so that a caller can keep what came before the break.
// kCorrupt, with the page where the damage lies when it is known, when: the field is
// shorter than its header; an inline value runs past the field; the one row of a
// single-row value is shorter than the length; a chain ends (next pointer 0) before the
// length is reached, comes back to a row it passed, or holds a row too short for its next
// pointer. The walk stops as soon as the length is reached, whatever the last next pointer.
Status WalkLongValue(std::span<const uint8_t> field, const LongValueRowFetch& fetch,
                     const LongValuePieceVisit& visit);

}  // namespace jet
