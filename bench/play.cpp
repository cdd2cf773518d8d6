#include "play.h"

#include "support.h"

#include "shell/devices.h"
#include "shell/screens.h"

#include <filesystem>
#include <system_error>

namespace benchplay {

bool enterPlay() {
    testing_support::freshProgram();
    std::error_code error;
    std::filesystem::current_path(testing_support::dataDir(), error);
    return !error && initDevices() && startNewGame();
}

void leavePlay() {
    releaseDevices();
}

} // namespace benchplay
