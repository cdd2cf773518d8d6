// quorvelindaxtor-games: records, re-records and checks the recorded games
// kept in tests/games.
#include "games.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: quorvelindaxtor-games [--simulator PROGRAM] VERB ...\n"
               "       quorvelindaxtor-games record NAME PLAN FRAMES\n"
               "       quorvelindaxtor-games rerecord NAME|--all\n"
               "       quorvelindaxtor-games check NAME|--all\n"
               "       quorvelindaxtor-games show NAME FRAME\n"
               "PLAN is the simulator's --autopilot plan, e.g. 0:spores,900:sower+spores\n",
               stderr);
    return 2;
}

bool isNumber(const char* text) {
    return *text != '\0' && std::strspn(text, "0123456789") == std::strlen(text);
}

} // namespace

int main(int argc, char** argv) {
    games::Paths paths{QV_SIM, QV_DATA_DIR, QV_GAMES_DIR};
    // Another build of the simulator (the WebAssembly one under node) may
    // replay the games in place of the one built beside this program.
    if (argc >= 3 && std::strcmp(argv[1], "--simulator") == 0) {
        paths.simulator = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc < 3) {
        return usage();
    }
    const std::string verb = argv[1];
    const std::string name = argv[2];
    std::vector<std::string> names{name};
    if (name == "--all") {
        names = games::recordedGames(paths);
    }
    bool ok = true;
    if (verb == "record" && argc == 5 && isNumber(argv[4])) {
        const games::Outcome outcome =
            games::recordGame(paths, name, argv[3], std::stoull(argv[4]));
        std::puts(outcome.report.c_str());
        ok = outcome.ok;
    } else if ((verb == "rerecord" || verb == "check") && argc == 3) {
        for (const std::string& game : names) {
            const games::Outcome outcome =
                verb == "check" ? games::checkGame(paths, game) : games::rerecordGame(paths, game);
            std::puts(outcome.report.c_str());
            ok = ok && outcome.ok;
        }
    } else if (verb == "show" && argc == 4 && isNumber(argv[3])) {
        const games::Outcome outcome = games::stateLineOf(paths, name, std::stoull(argv[3]));
        std::puts(outcome.report.c_str());
        ok = outcome.ok;
    } else {
        return usage();
    }
    return ok ? 0 : 1;
}
