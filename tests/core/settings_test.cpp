#include "core/settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include <cstdio>
#include <fstream>

#include "platform/environment.h"
#include "platform/process_text.h"

namespace keeper {
namespace {

TEST(SettingsTest, EachKeyConvertsItsTextOrKeepsItsDefault) {
    // Key, text, valid, and what the run state holds afterwards.
    const struct {
        const char* Key;
        const char* Text;
        bool Valid;
        bool (*Holds)(const RunState&);
    } cases[] = {
        {"Parameters", "-v x", true,
         [](const RunState& r) { return r.ApplicationParameters == "-v x"; }},
        {"SleepInterval", "", true, [](const RunState& r) { return r.SleepInterval == 10000; }},
        {"SleepInterval", "$10", true, [](const RunState& r) { return r.SleepInterval == 16; }},
        {"SleepInterval", "abc", true, [](const RunState& r) { return r.SleepInterval == 10000; }},
        // The keys beyond the first three check their range: no text that is none, and
        // no negative count.
        {"MaxSleepInterval", "x", false, [](const RunState& r) { return r.MaxSleepInterval == 0; }},
        {"MaxSleepInterval", "-1", false,
         [](const RunState& r) { return r.MaxSleepInterval == 0; }},
        {"LogFileLimit", "-1", false, [](const RunState& r) { return r.LogFileLimit == 0; }},
        {"StopApplication", "-5", false, [](const RunState& r) { return r.StopApplication == 0; }},
        {"StopApplication", "3000", true,
         [](const RunState& r) { return r.StopApplication == 3000; }},
        {"HangTimeout", "-1", false, [](const RunState& r) { return r.HangTimeout == 0; }},
        {"hangtimeout", "0", true, [](const RunState& r) { return r.HangTimeout == 0; }},
        {"LogDetails", "-1", false, [](const RunState& r) { return r.LogDetails == 0; }},
        {"ApplicationName", "x", false,
         [](const RunState& r) { return r.ApplicationCommand.empty(); }},
        {"MaxSleepInterval", "1600", true,
         [](const RunState& r) { return r.MaxSleepInterval == 1600; }},
        {"LogFileLimit", "0x100", true, [](const RunState& r) { return r.LogFileLimit == 256; }},
        {"WorkingDirectory", "data", true,
         [](const RunState& r) { return r.WorkingDirectory == "data"; }},
        {"OutputFile", "out.log", true,
         [](const RunState& r) { return r.OutputFile == "out.log"; }},
        {"Window", "", true, [](const RunState& r) { return r.Window == WindowState::Default; }},
        {"Window", "normal", true,
         [](const RunState& r) { return r.Window == WindowState::Normal; }},
        {"Window", "HIDDEN", true,
         [](const RunState& r) { return r.Window == WindowState::Hidden; }},
        {"Window", "Minimized", true,
         [](const RunState& r) { return r.Window == WindowState::Minimized; }},
        {"Window", "maximized", true,
         [](const RunState& r) { return r.Window == WindowState::Maximized; }},
        {"Window", "sideways", false,
         [](const RunState& r) { return r.Window == WindowState::Default; }},
        {"Window", "hidden ", false,
         [](const RunState& r) { return r.Window == WindowState::Default; }},
        {"LogDetails", "", true, [](const RunState& r) { return r.LogDetails == 0; }},
        {"LogDetails", "1", true, [](const RunState& r) { return r.LogDetails == 1; }},
        {"LogDetails", "$1", true, [](const RunState& r) { return r.LogDetails == 1; }},
        {"LogDetails", "yes", false, [](const RunState& r) { return r.LogDetails == 0; }},
        {"NoRestartExitCodes", "", true,
         [](const RunState& r) { return r.NoRestartExitCodes.empty(); }},
        {"NoRestartExitCodes", "3, 4", true,
         [](const RunState& r) {
             return r.NoRestartExitCodes == std::vector<std::uint32_t>{3, 4};
         }},
        {"NoRestartExitCodes", "3,x", false,
         [](const RunState& r) { return r.NoRestartExitCodes.empty(); }},
        {"ReadyTimeout", "", true, [](const RunState& r) { return r.ReadyTimeout == 0; }},
        {"ReadyTimeout", "0", true, [](const RunState& r) { return r.ReadyTimeout == 0; }},
        {"ReadyTimeout", "$3E8", true, [](const RunState& r) { return r.ReadyTimeout == 1000; }},
        {"ReadyTimeout", "-5", false, [](const RunState& r) { return r.ReadyTimeout == 0; }},
        {"ReadyTimeout", "soon", false, [](const RunState& r) { return r.ReadyTimeout == 0; }},
    };
    for (const auto& c : cases) {
        RunState run;
        EXPECT_EQ(ApplySetting(run, c.Key, c.Text), c.Valid) << c.Key << "=" << c.Text;
        EXPECT_TRUE(c.Holds(run)) << c.Key << "=" << c.Text;
    }
}

TEST(SettingsTest, EnvironmentLinesNameAVariableAndExpandTheirValue) {
    const std::vector<std::string> own = {"HOME=/home/u"};
    const struct {
        const char* Line;
        bool Valid;
        const char* Name;
        const char* Value;
    } cases[] = {
        {"DATA=%HOME%/data", true, "DATA", "/home/u/data"},
        {"OLD=", true, "OLD", ""},        // an empty value removes the variable
        {"Q=\"a b\"", true, "Q", "a b"},  // one pair of quotes goes
        {"Q='%HOME%'", true, "Q", "/home/u"},
        {"E=a=b", true, "E", "a=b"},  // the name ends at the first =
        {"NOVALUE", false, "", ""},
        {"=x", false, "", ""},
    };
    for (const auto& c : cases) {
        VariableChange change;
        ASSERT_EQ(EnvironmentChangeOf(c.Line, own, false, change), c.Valid) << c.Line;
        if (!c.Valid) continue;
        EXPECT_EQ(change.Name, c.Name) << c.Line;
        EXPECT_EQ(change.Value, c.Value) << c.Line;
    }
}

TEST(SettingsTest, RelativePathsAreTakenBesideTheSettingsFile) {
    const char s = NativePaths.Separator;
    const std::string dir = std::string(1, s) + "etc" + s + "k" + s;
    const std::string config = dir + "keeper.cfg";
    EXPECT_EQ(BesideSettings(config, "out.log"), dir + "out.log");
    EXPECT_EQ(BesideSettings(config, std::string("logs") + s + "out.log"),
              dir + "logs" + s + "out.log");
    EXPECT_EQ(BesideSettings(config, std::string(1, s) + "x"), std::string(1, s) + "x");
    EXPECT_EQ(BesideSettings(config, ""), "");
}

/// Writes `contents` to a settings file of the test's own beside the test program.
std::string SettingsFile(const char* name, const std::string& contents) {
    const std::string path = CurrentDirectory() + NativePaths.Separator + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST(SettingsTest, TheWatcherIsToldOfEachMistakeInFileOrder) {
    RunState run;
    run.ConfigFileName = SettingsFile(
        "settings-test-entries.cfg",
        "[Enviroment]\r\nX=1\r\n"
        "[Settings]\r\nApplicationName=\"x\" /c\r\nsleepinterval=5\r\nWindow=sideways\r\n"
        "; SleepIntervall=3 is a comment\r\nSleepIntervall=300\r\n#SleepInterval=0\r\n"
        "LogDetails=1\r\nNoRestartExitCodes=3,,4\r\nsleepintervall=1\r\nOutputFile=out.log\r\n"
        "SleepInterval=7\r\nStopApplication=-5\r\n"
        "[Environment]\r\nA=1\r\nBROKEN\r\nB=\r\n"
        "[Other]\r\n[settings]\r\nHangTimeout=-1\r\n[Setings]\r\n");
    const std::vector<SettingsNote> notes =
        ReadWatcherSettings(run, OpenProfile(run.ConfigFileName));
    // Line, text, and whether it is a remark on the form, which the log gets in detail only.
    const std::vector<std::tuple<std::size_t, std::string, bool>> expected = {
        {1, "Unknown section: Enviroment", true},
        {4, "ApplicationName holds arguments: put them in Parameters", true},
        {6, "Invalid value of Window: sideways", false},
        {8, "Unknown key in Settings: SleepIntervall", true},
        {9, "Unknown key in Settings: #SleepInterval", true},
        {11, "Invalid value of NoRestartExitCodes: 3,,4", false},
        {12, "Duplicate key in Settings: sleepintervall; the first one counts", true},
        {14, "Duplicate key in Settings: SleepInterval; the first one counts", true},
        {15, "Invalid value of StopApplication: -5", false},
        {18, "Invalid value of Environment: BROKEN", false},
        {21, "Duplicate section: settings; the first one counts", true},
        {23, "Unknown section: Setings", true},
    };
    std::vector<std::tuple<std::size_t, std::string, bool>> got;
    for (const SettingsNote& note : notes)
        got.emplace_back(note.Line, note.Text, note.Form);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(run.HangTimeout, 0);    // a second [Settings] is not read
    EXPECT_EQ(run.SleepInterval, 5);  // the key's name is known whatever its case
    EXPECT_EQ(run.Window, WindowState::Default);
    EXPECT_EQ(run.LogDetails, 1);
    EXPECT_TRUE(run.NoRestartExitCodes.empty());
    EXPECT_EQ(run.OutputFile, CurrentDirectory() + NativePaths.Separator + "out.log");
    ASSERT_EQ(run.EnvironmentChanges.size(), 2u);
    EXPECT_EQ(run.EnvironmentChanges[0].Name, "A");
    EXPECT_EQ(run.EnvironmentChanges[1].Value, "");
    std::remove(run.ConfigFileName.c_str());
}

TEST(SettingsTest, TheKeysOfOldSettingsFilesBringNoEntries) {
    RunState run;
    run.ConfigFileName =
        SettingsFile("settings-test-old.cfg",
                     "[Settings]\r\nApplicationName=x\r\nParameters=1\r\nSleepInterval=abc\r\n"
                     "MaxSleepInterval=1000\r\nLogFileLimit=0\r\n[Other]\r\nKey=1\r\n");
    EXPECT_TRUE(ReadWatcherSettings(run, OpenProfile(run.ConfigFileName)).empty());
    EXPECT_TRUE(run.EnvironmentChanges.empty());
    EXPECT_EQ(run.SleepInterval, 10000);
    std::remove(run.ConfigFileName.c_str());
}

TEST(SettingsTest, MisspellingsAreOneOrTwoEditsAway) {
    const struct {
        const char* Name;
        bool Misspelt;
    } cases[] = {
        {"Enviroment", true}, {"Environmnet", true},  {"ENVIRONMENTS", true},
        {"Envronmen", true},  {"Environment", false}, {"environment", false},
        {"Env", false},       {"Environ", false},     {"Other", false},
        {"", false},          {"Envxronmxnt", true},  {"Exvxronmxnt", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMisspelling(c.Name, "Environment"), c.Misspelt) << c.Name;
    EXPECT_TRUE(IsMisspelling("Settigns", "Settings"));
    EXPECT_TRUE(IsMisspelling("Setting", "Settings"));
    EXPECT_FALSE(IsMisspelling("Set", "Settings"));
}

TEST(SettingsTest, ArgumentsInApplicationNameAreToldByTheirQuotes) {
    // The command as read (the lookup has taken a pair of quotes around it), with the rules
    // of the platform its paths belong to.
    const PathStyle& w = WindowsPaths;
    const PathStyle& p = PosixPaths;
    const struct {
        const char* Command;
        const PathStyle& Style;
        bool Arguments;
    } cases[] = {
        {R"("C:\Program Files\My App\mycmd.exe" /c exit 3)", w, true},
        {R"("C:\My App\x.exe" /c D:\dir\file)", w, true},  // no quote in the module name
        {"\"/opt/my app/run\"\t-v", p, true},
        {R"(C:\Apps\x.exe" "a b)", w, true},       // read from "C:\Apps\x.exe" "a b"
        {R"(C:\Apps\run.exe "/x y/z")", w, true},  // a slash parts no Windows path
        {R"(/usr/bin/python3 "/srv/my app.py")", p, true},
        // Paths, also with blanks and quotes inside them, and stray quotes.
        {R"(C:\Program Files\My App\mycmd.exe)", w, false},
        {"/opt/my app/run", p, false},
        {R"("C:\Program Files"\App\x.exe)", w, false},
        {R"(/opt/"my app"/run)", p, false},
        {R"("C:\My App\x.exe)", w, false},
        {R"("/opt/run" )", p, false},
        {"/usr/bin/sleep 100", p, false},  // cannot be told from a path with a blank
    };
    for (const auto& c : cases)
        EXPECT_EQ(HoldsArguments(c.Command, c.Style, {}), c.Arguments) << c.Command;
}

TEST(SettingsTest, AMissingModuleNamesItsCause) {
    const std::string missing =
        CurrentDirectory() + NativePaths.Separator + "settings-test-none.cfg";
    std::remove(missing.c_str());
    const Profile none = OpenProfile(missing);
    EXPECT_NE(none.Error, 0u);
    EXPECT_TRUE(
        MissingModuleCause(none).starts_with("The settings file " + missing + " cannot be read: "))
        << MissingModuleCause(none);
    // UTF-16 without its mark, little- and big-endian, is named, as a cause and as the first
    // remark, at line 0: the file as a whole.
    using namespace std::string_literals;
    const std::string utf16 = "[\0S\0e\0t\0t\0i\0n\0g\0s\0]\0\r\0\n\0A\0=\0x\0"s;
    const char* const unmarked =
        "is UTF-16 without a byte-order mark: save it as UTF-8, or as "
        "Unicode with its mark";
    const struct {
        std::string Contents;
        std::string Cause;
        bool Remarked;
    } cases[] = {
        {"[Setting]\r\nApplicationName=x\r\n", "has no section [Settings]", false},
        {"", "has no section [Settings]", false},
        {"[Settings]\r\nApplicationNmae=/x\r\n;c\r\nSleepInterval=1\r\n",
         "has no key ApplicationName; its keys: ApplicationNmae, SleepInterval", false},
        {"[Settings]\r\n", "has no key ApplicationName; its keys: none", false},
        {"[Settings]\r\nApplicationName=\r\n", "names no program", false},
        {utf16, unmarked, true},
        {"\0"s + utf16.substr(0, utf16.size() - 1), unmarked, true},
        // With a mark, UTF-16 is read; zero bytes here and there make no UTF-16.
        {"\xFF\xFE[\0"s, "has no section [Settings]", false},
        {"\xEF\xBB\xBF"s + utf16, "has no section [Settings]", false},
        {"[Settings]\r\nApplicationName=\0x\r\n"s, "names no program", false},
        {std::string(64, '\0'), "has no section [Settings]", false},
    };
    for (const auto& c : cases) {
        const std::string file = SettingsFile("settings-test-cause.cfg", c.Contents);
        const Profile profile = OpenProfile(file);
        const std::string cause = MissingModuleCause(profile);
        EXPECT_TRUE(cause.ends_with(c.Cause)) << cause;
        EXPECT_NE(cause.find(file), std::string::npos) << cause;
        RunState run;
        run.ConfigFileName = file;
        const std::vector<SettingsNote> notes = ReadWatcherSettings(run, profile);
        EXPECT_EQ(!notes.empty() && notes[0].Line == 0 && notes[0].Text == cause, c.Remarked)
            << cause;
        std::remove(file.c_str());
    }
}

}  // namespace
}  // namespace keeper
