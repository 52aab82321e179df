// The rule by which a Linux process counts as started through a file of the module's name.
#ifndef _WIN32
#include "platform/posix/started_under.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/process_text.h"

namespace keeper {
namespace {

TEST(StartedUnder, TheRecordedNameAndTheCommandLineMustBothSayIt) {
    using namespace std::string_literals;
    const struct {
        std::string Comm;
        std::string CommandLine;  // arguments, each ended by a NUL
        std::string Module;
        bool Started;
    } cases[] = {
        // Through a symbolic link: comm and argument 0 are the link's name.
        {"python3", "python3\0-c\0pass\0"s, "PYTHON3", true},
        {"python3", "/usr/bin/python3\0"s, "python3", true},
        {"python3.11", "python3.11\0"s, "PYTHON3", false},  // started under the target's name
        // A #! script: comm is the script's name, its path follows the interpreter and the
        // option of the #! line.
        {"run.sh", "/bin/sh\0/opt/app/run.sh\0--port\0"s, "RUN.SH", true},
        {"run.sh", "/bin/sh\0-e\0/opt/app/run.sh\0"s, "RUN.SH", true},
        {"run.sh", "/bin/sh\0-e\0-x\0/opt/app/run.sh\0"s, "RUN.SH", false},  // past argument 2
        {"sh", "/bin/sh\0/opt/app/run.sh\0"s, "RUN.SH", false},  // sh started, then ran it
        {"run.sh", "/bin/sh\0/opt/app/other.sh\0"s, "RUN.SH", false},
        // comm keeps 15 bytes; the command line decides the rest of a longer name.
        {"long-name-appli", "/opt/long-name-application-one\0"s, "LONG-NAME-APPLICATION-ONE", true},
        {"long-name-appli", "/opt/long-name-application-two\0"s, "LONG-NAME-APPLICATION-ONE",
         false},
        {"long-name-appli", "/opt/long-name-appli\0"s, "LONG-NAME-APPLICATION-ONE", false},
        {"long-name-applicat", "/opt/long-name-applicat\0"s, "LONG-NAME-APPLICAT", false},
        // Nothing to go by, or an argument without its NUL at the end of what was read.
        {"", ""s, "RUN.SH", false},
        {"run.sh", ""s, "RUN.SH", false},
        {"run.sh", "/bin/sh\0/opt/app/run.sh"s, "RUN.SH", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartedUnder(c.Comm, c.CommandLine, c.Module, SameTextIgnoreCase), c.Started)
            << c.Comm << " " << c.Module;
}

}  // namespace
}  // namespace keeper
#endif
