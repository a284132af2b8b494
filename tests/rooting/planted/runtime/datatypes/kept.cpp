// A source that keeps cells and nodes where the collector cannot see them.
#include <map>
#include <vector>

#include "runtime/core/cell.h"

namespace zel {

std::vector<Cell> kept_cells;
std::map<u32, const Node*> kept_nodes;

}  // namespace zel
