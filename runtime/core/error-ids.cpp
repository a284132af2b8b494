#include "runtime/core/error-ids.h"

#include <array>

namespace zel {
namespace {

constexpr ErrorCategoryInfo categories[] = {
#define ZEL_ERROR_CATEGORY(name, text, code, title) {text, code, title},
#define ZEL_ERROR(category, name, text, templ)
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
};

// Positions count from 2 within each category, in the order of the table.
struct Ids {
    std::array<ErrorInfo, 0
#define ZEL_ERROR_CATEGORY(name, text, code, title)
#define ZEL_ERROR(category, name, text, templ) +1
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
               > table{};
    constexpr Ids() {
        u32 next[std::size(categories)] = {};
        std::size_t i = 0;
        auto add = [&](ErrorCategory c, const char* name, const char* templ) {
            auto ci = static_cast<std::size_t>(c);
            table[i++] = ErrorInfo{c, 2 + next[ci]++, name, templ};
        };
#define ZEL_ERROR_CATEGORY(name, text, code, title)
#define ZEL_ERROR(category, name, text, templ) add(ErrorCategory::category, text, templ);
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
    }
};

constexpr Ids ids{};

}  // namespace

const ErrorCategoryInfo& error_category_info(ErrorCategory c) { return categories[static_cast<std::size_t>(c)]; }
const ErrorInfo& error_info(ErrorId id) { return ids.table[static_cast<std::size_t>(id)]; }

}  // namespace zel
