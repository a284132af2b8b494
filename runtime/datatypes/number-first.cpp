#include "runtime/datatypes/number-first.h"

#include <utility>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/components.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/pair.h"
#include "runtime/datatypes/point.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/tuple.h"

namespace zel::number_first {
namespace {

using Core = Cell* (*)(ArithOp, Cell*, Cell*);

// The number spread over every component of a value of the compound's type.
Cell spread(const Cell& number, Type t) {
    const double n = number.is(Type::integer) ? integer::get(number) : float_payload(number);
    if (t == Type::pair) {
        const i32 i = number.is(Type::integer) ? integer::get(number)
                                               : integer::truncate_or_raise(n, ErrorId::script_invalid_arg, &number);
        return pair::cell(i, i);
    }
    return t == Type::point3d ? point::cell3(n, n, n) : point::cell2(n, n);
}

}  // namespace

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2, bool negate_subtract) {
    const Type t = value2->type();
    if (t == Type::tuple) return tuple::arithmetic(op, value1, value2);
    const Core core = t == Type::pair ? pair::arithmetic : point::arithmetic;
    if (op == ArithOp::divide || (op == ArithOp::subtract && !negate_subtract)) {
        components::raise_not_related(negate_subtract ? value1->type() : t);
    }
    if (op == ArithOp::remainder) {
        Cell right = *value2;
        *value1 = spread(*value1, t);
        return core(op, value1, &right);
    }
    std::swap(*value1, *value2);
    if (op == ArithOp::subtract) {
        if (t == Type::pair) pair::negate(value1);
        else point::negate(value1);
        op = ArithOp::add;
    }
    return core(op, value1, value2);
}

}  // namespace zel::number_first
