// Names for the error catalogue's categories and ids, derived from error-catalog.def.
// Raising code names an error by its ErrorId; the catalogue position of the id within its
// category and the category's index come from the same table.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

enum class ErrorCategory : u8 {
#define ZEL_ERROR_CATEGORY(name, text, code, title) name,
#define ZEL_ERROR(category, name, text, templ)
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
};

enum class ErrorId : u16 {
#define ZEL_ERROR_CATEGORY(name, text, code, title)
#define ZEL_ERROR(category, name, text, templ) name,
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
};

struct ErrorCategoryInfo {
    const char* name;   // "script"
    u32 code;           // 300
    const char* title;  // "Script Error"
};

struct ErrorInfo {
    ErrorCategory category;
    u32 position;          // field index within the category object: ids count from 2
    const char* name;      // "invalid-arg"
    const char* templ;     // the message template as source text
};

const ErrorCategoryInfo& error_category_info(ErrorCategory c);
const ErrorInfo& error_info(ErrorId id);

}  // namespace zel
