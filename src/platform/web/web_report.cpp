// Lines for the player in a web page: on the page itself, where the player
// looks, and in the browser's console.
#include "platform/backend.h"
#include "platform/web/web_internal.h"

namespace plat::backend {

void writeErrorLine(const std::string& line) {
    qv_error_line(line.c_str());
}

std::string lastError() {
    return {};
}

} // namespace plat::backend
