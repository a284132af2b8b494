// Placeholder until the HTTP client is built: every request fails, answering none.
#include "runtime/datatypes/url-request.h"

namespace zel::url_request {

Cell request(const Cell&, const Cell&, const Cell*, const Cell*, bool, bool, bool) {
    return none_cell;
}

}  // namespace zel::url_request
