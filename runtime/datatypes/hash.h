// hash!: a block whose cells are also entered in a hash! table (word 3), so that find and
// select look them up instead of scanning. It is a block in every other respect: the
// block and series actions change it, and the table follows each change (series::notify).
#pragma once
#include "runtime/core/cell.h"

namespace zel::hash {

// Gives a hash! value a new table over its whole block; other values are left alone.
void index(Cell& h);

}  // namespace zel::hash
