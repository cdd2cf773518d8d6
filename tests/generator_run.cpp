// The asset generator run once more for the test program, shared by the
// suites that compare its files with the build's.
#include "support.h"

#include <cstdlib>
#include <string>

namespace testing_support {

const std::filesystem::path& generatorRunAgain() {
    static const TempDir dir;
    static const std::filesystem::path run = [] {
        const std::filesystem::path out = dir.path() / "again";
        const std::string command =
            std::string("\"") + QV_ASSETGEN + "\" \"" + out.string() + "\" > /dev/null 2>&1";
        return std::system(command.c_str()) == 0 ? out : std::filesystem::path();
    }();
    return run;
}

} // namespace testing_support
