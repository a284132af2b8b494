#include "runtime/natives/loop-frame.h"

#include "runtime/eval/interpreter.h"
#include "runtime/names/runtime-words.h"

namespace zel::natives {

LoopFrame::LoopFrame() {
    frame::open_loop(*words::tag_body);
    index_ = frame::depth() - 1;
    mark_ = exits::mark();
}

LoopFrame::Step LoopFrame::stopped(const ExitThrow& t, Cell& value) {
    exits::restore(mark_);
    value = t.value;
    return t.code == ThrowCode::continue_ ? Step::continued : Step::broke;
}

LoopFrame::Step LoopFrame::thrown(const ExitThrow& t, Cell& value) {
    if (!exits::aimed_at(t, index_, ThrowCode::break_, ThrowCode::continue_)) throw;
    return stopped(t, value);
}

LoopFrame::Step LoopFrame::in_flight(Cell& value) {
    if (exits::take(index_, ThrowCode::break_, ThrowCode::continue_)) return stopped(exits::status, value);
    return Step::left;
}

Cell LoopFrame::condition(const Cell& block) {
    try {
        interp::eval_block(block, false);
    } catch (const ExitThrow& t) {
        if (!exits::aimed_at(t, index_, ThrowCode::break_, ThrowCode::continue_)) throw;
        exits::restore(mark_);
        raise(ErrorId::throw_while_cond);
    }
    if (exits::take(index_, ThrowCode::break_, ThrowCode::continue_)) {
        exits::restore(mark_);
        raise(ErrorId::throw_while_cond);
    }
    if (exits::exiting) return unset_cell;
    const Cell value = *stack::top_cell();
    stack::top = mark_.top;
    return value;
}

void LoopFrame::close(const Cell& result) {
    frame::close();
    *stack::base = result;
}

}  // namespace zel::natives
