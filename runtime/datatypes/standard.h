// The parts of the `system` object that value code reads: the error catalogue, the
// standard error, port and url-parts prototypes, the schemes block and the stack-trace
// depth. Each lives in a root cell, so its address stays valid; start-up points them at
// the fields of the `system` it builds, and `init` gives every one a working default.
#pragma once
#include "runtime/core/cell.h"

namespace zel::standard {

#define ZEL_STANDARD_FIELD(record, name, text) record##_##name,
enum class Field : u32 {
#include "runtime/datatypes/standard-fields.def"
};
#undef ZEL_STANDARD_FIELD

// A field's slot index within its record.
u32 index_of(Field f);

// Fixed class ids of start-up objects.
namespace class_id {
constexpr u32 error_value = 1;
constexpr u32 port_value = 2;
constexpr u32 catalog_errors = 183;
constexpr u32 first_category = 185;  // then every second id, in category order
constexpr u32 port = 242;
constexpr u32 error = 244;
constexpr u32 url_parts = 249;
}  // namespace class_id

struct References {
    Cell* errors;     // system/catalog/errors
    Cell* error;      // system/standard/error
    Cell* port;       // system/standard/port
    Cell* url_parts;  // system/standard/url-parts
    Cell* schemes;    // system/schemes
    Cell* stack_trace;  // system/state/stack-trace
};

// Null members until init.
extern References refs;

// Makes the root cells and their defaults (the catalogue from the error table, prototypes
// with every field none, an empty schemes block, a stack-trace depth of 1). Needs the
// symbol table and the global context.
void init();
// Forgets the references (the runtime they live in is gone).
void reset();
bool ready();

}  // namespace zel::standard
