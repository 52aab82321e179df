// The "Adoption" key, and the arguments that "Adoption=command" compares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "text/argument_list.h"

namespace keeper {
namespace {

TEST(Adoption, TheKeyNamesARuleInAnyCaseAndAnythingElseIsInvalid) {
    const struct {
        const char* Text;
        bool Valid;
        AdoptionRule Rule;
    } cases[] = {
        {"", true, AdoptionRule::Name},           {"name", true, AdoptionRule::Name},
        {"command", true, AdoptionRule::Command}, {"COMMAND", true, AdoptionRule::Command},
        {"Off", true, AdoptionRule::Off},         {"of", false, AdoptionRule::Name},
        {"command ", false, AdoptionRule::Name},  {"arguments", false, AdoptionRule::Name},
    };
    for (const auto& c : cases) {
        RunState run;
        EXPECT_EQ(ApplySetting(run, "Adoption", c.Text), c.Valid) << c.Text;
        EXPECT_EQ(run.Adoption, c.Rule) << c.Text;
    }
}

// The configured Parameters against a running process's command line, both split by the
// argument rules, the program token of the process's line left out.
TEST(Adoption, ArgumentsMatchOnlyWhenEachIsTheSameInTheSameOrder) {
    const struct {
        const char* Parameters;
        const char* ProcessLine;
        bool Same;
    } cases[] = {
        {"-m http.server 8099", "python3 -m http.server 8099", true},
        {"-m http.server 8099", "python3 -m http.server 8100", false},
        {"-jar a.jar", "\"C:\\Program Files\\Java\\bin\\java.exe\" -jar a.jar", true},
        {"-jar a.jar", "java -jar b.jar", false},
        // Blanks between arguments do not count; blanks inside quotes do.
        {"  a   b ", "app a b", true},
        {"\"a b\"", "app a b", false},
        {"\"a b\"", "app \"a b\"", true},
        {"\"a b\"", "app a\" \"b", true},  // one argument either way
        {"a\"b c\"d", "app \"ab cd\"", true},
        // No arguments on either side, or on one.
        {"", "app", true},
        {"", "\"C:\\a b\\app.exe\"   ", true},
        {"", "app x", false},
        {"x", "app", false},
        // A process with extra or fewer arguments.
        {"a b", "app a b c", false},
        {"a b c", "app a b", false},
        {"a b", "app b a", false},
        // Case counts.
        {"-Verbose", "app -verbose", false},
    };
    for (const auto& c : cases) {
        const LeadByteSet none;
        const bool same = ArgumentList(c.Parameters, none) == ArgumentList(c.ProcessLine, none, 1);
        EXPECT_EQ(same, c.Same) << c.Parameters << " | " << c.ProcessLine;
    }
}

}  // namespace
}  // namespace keeper
