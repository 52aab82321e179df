#include "core/process_locator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace keeper {
namespace {

TEST(ProcessLocator, QuotesOnlyACommandThatNamesAFileWithBlanks) {
    const std::string existing = "keeper test app.bin";
    std::ofstream(existing) << "x";
    const struct {
        std::string Command;
        std::string Launched;
    } cases[] = {
        {existing, '"' + existing + '"'},
        {'"' + existing + '"', '"' + existing + '"'},  // quoted already
        {"keeper no such app.bin", "keeper no such app.bin"},
        {existing + " --flag", existing + " --flag"},  // not the file as a whole
        {"plain.bin", "plain.bin"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandForLaunch(c.Command), c.Launched) << c.Command;
    std::remove(existing.c_str());
}

}  // namespace
}  // namespace keeper
