// port!: an object made from the standard port prototype (class id 2) that stands for a
// resource of a scheme. The runtime does no I/O for ports: each port action calls the
// function of the same name in the port's actor object, with the port, the action's
// arguments and a flag (and value) per refinement, in the action's spec order.
#pragma once
#include "runtime/core/cell.h"

namespace zel::port {

// The port's actor; raises access/invalid-port when it is not an object!.
Cell actor_of(const Cell& port);
// Calls the actor's function named by the action word with the arguments (the port
// first); raises access/no-port-action when the actor has no such function, or one that
// takes another number of arguments.
Cell call_actor(const Cell& actor, const Cell& action, const Cell* args, u32 count);

}  // namespace zel::port
