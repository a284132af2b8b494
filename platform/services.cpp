#include "platform/services.h"

#include "runtime/text/console-output.h"

namespace zel::platform {

void init_services() { stdio::init(); }

}  // namespace zel::platform
