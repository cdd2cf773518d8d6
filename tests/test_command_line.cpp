// The command line: --help and --version answer, anything else plays.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CommandLine, HelpAndVersionAnswerAndEverythingElsePlays) {
    const struct {
        std::vector<const char*> args;
        const char* begins;
    } cases[] = {
        {{"quorvelindaxtor"}, ""},
        {{"quorvelindaxtor", "--fullscreen", "x"}, ""},
        {{"quorvelindaxtor", "-help"}, ""},
        {{"quorvelindaxtor", "--help"}, "Usage: quorvelindaxtor"},
        {{"quorvelindaxtor", "-h"}, "Usage: quorvelindaxtor"},
        {{"quorvelindaxtor", "stray", "--version"}, "quorvelindaxtor 0."},
        {{"quorvelindaxtor", "--version", "--help"}, "quorvelindaxtor 0."},
    };
    for (const auto& c : cases) {
        const std::string answer = commandLineAnswer(int(c.args.size()), c.args.data());
        EXPECT_EQ(answer.substr(0, std::string(c.begins).size()), c.begins)
            << c.args.size() << " arguments";
        EXPECT_EQ(answer.empty(), *c.begins == '\0');
    }
    const std::vector<const char*> help = {"quorvelindaxtor", "--help"};
    const std::string usage = commandLineAnswer(2, help.data());
    for (const char* needed : {"Enter", "Esc", "Space", "images/", "man 6 quorvelindaxtor"}) {
        EXPECT_NE(usage.find(needed), std::string::npos) << needed;
    }
}

} // namespace
