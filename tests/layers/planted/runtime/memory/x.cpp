// A source tree of one file for the test of the include-direction check: the memory layer
// including the evaluator's layer, above it, must be reported.
#include "runtime/eval/y.h"
