// The parts of the `system` object that value code reads: the error catalogue, the
// standard error, port and url-parts prototypes, the schemes block and the stack-trace
// depth. Each lives in a root cell, so its address stays valid; start-up points them at
// the fields of the `system` it builds, and `init` gives every one a working default.
#pragma once
#include <initializer_list>

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
constexpr u32 system = 173;
constexpr u32 state = 205;
constexpr u32 callbacks = 208;
constexpr u32 locale = 215;
constexpr u32 currencies = 217;
constexpr u32 options = 221;
constexpr u32 script = 228;
constexpr u32 standard = 230;
}  // namespace class_id

struct References {
    Cell* errors;     // system/catalog/errors
    Cell* error;      // system/standard/error
    Cell* port;       // system/standard/port
    Cell* url_parts;  // system/standard/url-parts
    Cell* schemes;    // system/schemes
    Cell* stack_trace;  // the stack-trace depth until `system` exists
    Cell* system;       // the `system` object once the library has built it, else none
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

// Takes the library's `system` object as the one the runtime reads its settings from.
void adopt_system(const Cell& system);
// The name of the first field of the adopted `system` (or of an object in it that the
// runtime reads) that is not where the fields table puts it; null when all are in place.
const char* misplaced_system_field();

// The value at the end of a path of fields from `system`, each field read by its index
// where the object holding it is the one built at start-up (known by its fixed class id),
// by its name where a script put another object in its place; null when `system` is not
// adopted yet or the path does not lead to a value.
const Cell* system_value(std::initializer_list<Field> path);

// Stores the value at the end of such a path (as the start-up stores fields: no change
// hook runs); false when the path does not reach it.
bool set_system_value(std::initializer_list<Field> path, const Cell& value);

// system/state/stack-trace: how many calls an error's report lists.
Cell stack_trace();

}  // namespace zel::standard
