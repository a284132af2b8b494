#include "runtime/text/change-case.h"

#include <algorithm>

#include "runtime/memory/node.h"
#include "runtime/text/string-units.h"

namespace zel::unicode {

void change_case_units(Node str, u32 index, u32 count, CaseDirection direction) {
    Buffer* b = node::buffer(str);
    u32 total = b->used() >> b->shift();
    u32 end = index + std::min(count, total - std::min(index, total));
    for (u32 i = index; i < end; ++i) {
        u32 unit = b->unit();
        u32 cp = change_case_char(read_unit(b->head_ptr() + i * unit, unit), direction);
        if (unit_for(cp) > unit) b = widen(b, unit_for(cp), 0);
        write_unit(b->head_ptr() + i * b->unit(), b->unit(), cp);
    }
}

}  // namespace zel::unicode
