// Which Linux process runs the very file a link or a #! script of the module's name leads
// to, and which of its arguments follow the program.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/started_under.h"
#include "platform/process_text.h"

namespace keeper {
namespace {

using namespace std::string_literals;

TEST(ProcessIdentity, AnExecutableOfTheNameMustAlsoBeTheVeryFile) {
    // /x/a/myapp links to sleep, file 7 of device 1; the interpreter of a script is file 9.
    const std::vector<ExecutableFile> through = {{"sleep", {1, 7}}, {"python3.11", {1, 9}}};
    const struct {
        const char* Name;
        FileIdentity Executable;
        int Entry;  // of `through`; -1 for none
    } cases[] = {
        {"sleep", {1, 7}, 0},
        {"SLEEP", {1, 7}, 0},   // names compare without regard to case
        {"sleep", {1, 8}, -1},  // another file of that name: /x/b/sleep
        {"sleep", {2, 7}, -1},  // the same inode on another device
        {"python3.11", {1, 9}, 1},
        {"python3.11", {1, 7}, -1},  // the other entry's file under this name
        {"tail", {1, 7}, -1},        // the file under another name
        {"", {0, 0}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindExecutable(c.Name, c.Executable, through, SameTextIgnoreCase),
                  c.Entry < 0 ? nullptr : &through[static_cast<std::size_t>(c.Entry)])
            << c.Name << " " << c.Executable.Device << ":" << c.Executable.Inode;
    EXPECT_EQ(FindExecutable("sleep", {1, 7}, {}, SameTextIgnoreCase), nullptr);
}

TEST(ProcessIdentity, TheArgumentsFollowTheProgramOrTheScript) {
    using Arguments = std::optional<std::vector<std::string>>;
    const struct {
        std::string Comm;
        std::string CommandLine;  // as /proc/PID/cmdline holds it
        std::string Module;
        Arguments After;  // none: not started through the module
    } cases[] = {
        // A link: the arguments after argument 0.
        {"python3", "python3\0-m\0http.server\0"s, "PYTHON3",
         std::vector<std::string>{"-m", "http.server"}},
        {"python3", "/usr/bin/python3\0"s, "PYTHON3", std::vector<std::string>{}},
        // A script: after the script's path, past the interpreter and the #! option.
        {"run.sh", "/bin/sh\0/opt/run.sh\0--port\0a b\0"s, "RUN.SH",
         std::vector<std::string>{"--port", "a b"}},
        {"run.sh", "/bin/sh\0-e\0/opt/run.sh\0x\0"s, "RUN.SH", std::vector<std::string>{"x"}},
        {"run.sh", "/bin/sh\0/opt/run.sh\0"s, "RUN.SH", std::vector<std::string>{}},
        // An empty argument is one; the last may lack its NUL.
        {"app", "app\0\0x"s, "APP", std::vector<std::string>{"", "x"}},
        // Not started through the module: nothing to compare.
        {"sh", "/bin/sh\0/opt/run.sh\0"s, "RUN.SH", std::nullopt},
        {"run.sh", ""s, "RUN.SH", std::nullopt},
    };
    for (const auto& c : cases) {
        const int program = ProgramArgument(c.Comm, c.CommandLine, c.Module, SameTextIgnoreCase);
        EXPECT_EQ(ArgumentsAfter(c.CommandLine, program), c.After) << c.Comm << " " << program;
    }
    // A process of the module's own executable: after argument 0, which must be there.
    EXPECT_EQ(ArgumentsAfter("app\0a\0"s, 0), Arguments(std::vector<std::string>{"a"}));
    EXPECT_EQ(ArgumentsAfter(""s, 0), std::nullopt);
    EXPECT_EQ(ArgumentsAfter("app\0"s, 1), std::nullopt);
}

TEST(ProcessIdentity, EnvRunsTheFirstWordThatIsNoOptionNorAssignment) {
    using Words = std::vector<std::string>;
    const struct {
        const char* Argument;  // after "#!/usr/bin/env"
        const char* Program;
        Words Before;  // what env passes on before the script
    } cases[] = {
        {" python3", "python3", {}},
        {" -S python3 -u", "python3", {"-u"}},
        {"\t-i PATH=/opt/bin node", "node", {}},
        {" -u HOME -C /srv ruby -w", "ruby", {"-w"}},  // -u and -C take a value
        {"-S deno  run\t--allow-net ", "deno", {"run", "--allow-net"}},
        {"-S python3 -u=1 -X a=b", "python3", {"-u=1", "-X", "a=b"}},  // after it, any word
        {" --", "", {}},
        {"", "", {}},
        {" -u", "", {}},
    };
    for (const auto& c : cases) {
        const EnvCommand env = EnvCommandOf(c.Argument);
        EXPECT_EQ(env.Program, c.Program) << "'" << c.Argument << "'";
        EXPECT_EQ(env.Arguments, c.Before) << "'" << c.Argument << "'";
    }
}

// The files the paths of a test process name: run.py in its directory /opt/app is file 5.
FileIdentity FakeFile(std::string_view path, int) {
    return path == "/opt/app/run.py" || path == "run.py" ? FileIdentity{1, 5} : FileIdentity{};
}

TEST(ProcessIdentity, AScriptIsFoundByItsFileAfterTheInterpreter) {
    using Words = std::vector<std::string>;
    const FileIdentity script{1, 5};
    const struct {
        std::string CommandLine;
        Words Options;  // what the #! line puts before the script for this interpreter
        int Argument;
    } cases[] = {
        {"/usr/bin/python3\0/opt/app/run.py\0-v\0"s, {}, 1},  // run by the kernel
        {"python3\0/opt/app/run.py\0"s, {}, 1},               // by env
        {"python3\0-u\0run.py\0"s, {"-u"}, 2},  // by env -S, relative to its directory
        {"python3\0-c\0print(1)\0/opt/app/run.py\0"s, {}, -1},  // an argument, not the script
        {"/opt/app/run.py\0"s, {}, -1},                         // argument 0 is the program
        {"python3\0/opt/other/run.py\0"s, {}, -1},              // another file of that name
        {"python3\0\0"s, {}, -1},
        {""s, {}, -1},
        // Second only after exactly the words of the #! line: "#!/bin/sh" has none, so
        // "sh follow.py run.py" runs follow.py, which names the script; "#!/bin/sh -e" has -e.
        {"sh\0follow.py\0/opt/app/run.py\0"s, {}, -1},
        {"sh\0follow.py\0/opt/app/run.py\0"s, {"-e"}, -1},
        {"/bin/sh\0-e\0/opt/app/run.py\0x\0"s, {"-e"}, 2},
        {"/bin/sh\0-x\0/opt/app/run.py\0"s, {"-e"}, -1},
        {"sh\0/opt/app/run.py\0"s, {"-e"}, 1},  // by hand, without the line's option
        {"/usr/bin/env\0-S python3 -u\0run.py\0"s, {"-S python3 -u"}, 2},  // env, before it runs
        {"deno\0run\0--allow-net\0run.py\0"s, {"run", "--allow-net"}, 3},
        {"deno\0run\0run.py\0"s, {"run", "--allow-net"}, -1},
        {"deno\0run\0--allow-net\0"s, {"run", "--allow-net"}, -1},  // no script after them
        {"python3\0-u\0run.py"s, {"-u"}, 2},  // the last argument without its NUL
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScriptArgument(c.CommandLine, script, c.Options, FakeFile, 0), c.Argument)
            << c.CommandLine;
}

}  // namespace
}  // namespace keeper
#endif
