#include "text/variables.h"

#include <gtest/gtest.h>

namespace keeper {
namespace {

const std::vector<std::string> Own = {"HOME=/home/u", "EMPTY=", "Path=C:\\bin", "=C:=C:\\x"};

TEST(VariablesTest, ExpandsKnownNamesAndKeepsEverythingElseAsWritten) {
    const struct {
        const char* Text;
        bool IgnoreCase;
        const char* Expanded;
    } cases[] = {
        {"%HOME%/data", false, "/home/u/data"},
        {"a%HOME%b%HOME%c", false, "a/home/ub/home/uc"},
        {"%NOPE%/x", false, "%NOPE%/x"},        // an unknown name stays, percent signs and all
        {"%NOPE%HOME%", false, "%NOPE%HOME%"},  // the scan goes on after the unknown name
        {"100%", false, "100%"},                // a lone percent sign
        {"%%", false, "%%"},                    // an empty name is none
        {"50%% off", false, "50%% off"},
        {"x%EMPTY%y", false, "xy"},   // a variable whose value is empty
        {"%home%", false, "%home%"},  // names compare exactly on Linux
        {"%home%", true, "/home/u"},  // and without regard to case on Windows
        {"%PATH%;D:\\", true, "C:\\bin;D:\\"},
        {"", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandVariables(c.Text, Own, c.IgnoreCase), c.Expanded) << c.Text;
}

TEST(VariablesTest, ChangesReplaceInPlaceAppendOrRemove) {
    using Environment = std::vector<std::string>;
    const struct {
        std::vector<VariableChange> Changes;
        bool IgnoreCase;
        Environment Changed;
    } cases[] = {
        {{}, false, Own},
        {{{"HOME", "/root"}}, false, {"HOME=/root", "EMPTY=", "Path=C:\\bin", "=C:=C:\\x"}},
        {{{"NEW", "1"}}, false, {"HOME=/home/u", "EMPTY=", "Path=C:\\bin", "=C:=C:\\x", "NEW=1"}},
        {{{"HOME", ""}}, false, {"EMPTY=", "Path=C:\\bin", "=C:=C:\\x"}},  // removed
        {{{"NOPE", ""}}, false, Own},                                      // nothing to remove
        // Case: another variable on Linux, the same one on Windows.
        {{{"PATH", "D:\\"}},
         false,
         {"HOME=/home/u", "EMPTY=", "Path=C:\\bin", "=C:=C:\\x", "PATH=D:\\"}},
        {{{"PATH", "D:\\"}}, true, {"HOME=/home/u", "EMPTY=", "PATH=D:\\", "=C:=C:\\x"}},
        {{{"path", ""}}, true, {"HOME=/home/u", "EMPTY=", "=C:=C:\\x"}},
        // In order: the later change of a name wins.
        {{{"A", "1"}, {"A", "2"}, {"HOME", ""}},
         false,
         {"EMPTY=", "Path=C:\\bin", "=C:=C:\\x", "A=2"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangedEnvironment(Own, c.Changes, c.IgnoreCase), c.Changed)
            << ::testing::PrintToString(c.Changed);
    // A name given twice in the inherited environment is set once, in the first place.
    EXPECT_EQ(ChangedEnvironment({"A=1", "B=2", "A=3"}, {{"A", "4"}}, false),
              (Environment{"A=4", "B=2"}));
}

}  // namespace
}  // namespace keeper
