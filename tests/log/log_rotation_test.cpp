// Rotation of a log that has reached its size limit, through a fake of the file calls.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log/fatal_errors.h"
#include "log/text_file_channel.h"
#include "platform/files.h"

namespace keeper {
namespace {

/// Files in memory. An open handle keeps its file when the file is renamed, as on disk.
struct FakeDisk {
    std::map<std::string, std::shared_ptr<std::string>> Names{};
    std::map<FileHandle, std::shared_ptr<std::string>> Handles{};
    std::size_t Position = 0;
    std::vector<OpenMode> Modes{};  // of every open asked for
    ErrorCode SizeError = 0;
    ErrorCode RenameError = 0;  // every rename fails with it
    int RenameSharingViolations = 0;
    int Renames = 0;
    /// Another writer creates the log, with these bytes, right before this one tries to.
    std::optional<std::string> CreatedMeanwhile{};
    int Opens = 0;
    int Closes = 0;
};
FakeDisk Disk;

std::optional<std::string> Contents(const std::string& name) {
    const auto found = Disk.Names.find(name);
    if (found == Disk.Names.end()) return std::nullopt;
    return *found->second;
}

FileCalls FakeDiskCalls() {
    FileCalls calls{};
    calls.Open = [](const std::string& path, OpenMode mode) -> Result<FileHandle> {
        Disk.Modes.push_back(mode);
        if (mode == OpenMode::Create && Disk.CreatedMeanwhile) {
            Disk.Names[path] = std::make_shared<std::string>(*Disk.CreatedMeanwhile);
            Disk.CreatedMeanwhile.reset();
        }
        const bool exists = Disk.Names.count(path) != 0;
        if (mode == OpenMode::Create && exists) return {0, FileExists};
        if (mode != OpenMode::Create && !exists) return {0, FileNotFound};
        if (!exists) Disk.Names[path] = std::make_shared<std::string>();
        const FileHandle file = ++Disk.Opens;
        Disk.Handles[file] = Disk.Names[path];
        Disk.Position = 0;
        return {file, 0};
    };
    calls.Size = [](FileHandle file) -> Result<std::uint64_t> {
        return {Disk.Handles.at(file)->size(), Disk.SizeError};
    };
    calls.Seek = [](FileHandle file, std::int64_t distance, SeekFrom from) -> ErrorCode {
        Disk.Position = (from == SeekFrom::End ? Disk.Handles.at(file)->size() : 0) + distance;
        return 0;
    };
    calls.Read = [](FileHandle file, char* buffer, std::uint32_t size) -> Result<std::uint32_t> {
        const auto count = static_cast<std::uint32_t>(
            Disk.Handles.at(file)->substr(Disk.Position).copy(buffer, size));
        Disk.Position += count;
        return {count, 0};
    };
    calls.Truncate = [](FileHandle file) -> ErrorCode {
        Disk.Handles.at(file)->resize(Disk.Position);
        return 0;
    };
    calls.HasKnownType = [](FileHandle) -> Result<bool> { return {true, 0}; };
    calls.Write = [](FileHandle file, const char* bytes, std::uint32_t count) -> ErrorCode {
        Disk.Handles.at(file)->append(bytes, count);
        return 0;
    };
    calls.Close = [](FileHandle file) -> ErrorCode {
        ++Disk.Closes;
        Disk.Handles.erase(file);
        return 0;
    };
    calls.Rename = [](const std::string& from, const std::string& to) -> ErrorCode {
        ++Disk.Renames;
        const ErrorCode error =
            Disk.RenameSharingViolations-- > 0 ? SharingViolation : Disk.RenameError;
        if (error != 0) return error;
        Disk.Names[to] = Disk.Names.at(from);
        Disk.Names.erase(from);
        return 0;
    };
    return calls;
}

class Rotation : public ::testing::Test {
protected:
    void SetUp() override { Files = FakeDiskCalls(); }
    void TearDown() override { Files = saved_; }

    /// One entry "new" through the channel, as WriteLog makes it for an existing log or
    /// none; the error given, or 0.
    static ErrorCode Append(std::int32_t limit, bool logExisted = true) {
        TextFileChannel channel;
        BindChannel(channel, "keeper.log", limit);
        if (const ErrorCode error = logExisted ? OpenForAppend(channel) : OpenForCreate(channel))
            return error;
        ErrorCode error = PutText(channel, "new");
        if (error == 0) error = WriteOutBuffer(channel);
        const ErrorCode closing = CloseChannel(channel);
        return closing != 0 ? closing : error;
    }

    const FileCalls saved_ = Files;
};

TEST_F(Rotation, ALogThatHasReachedTheLimitIsRenamedAndTheEntryStartsANewOne) {
    // Size of the log, size limit, an older rotated log, what the log and the rotated log
    // hold after the entry ("" for no file).
    const struct {
        std::size_t Size;
        std::int32_t Limit;
        const char* OlderRotated;
        bool Rotates;
    } cases[] = {{99, 100, nullptr, false}, {100, 100, nullptr, true},  {101, 100, nullptr, true},
                 {100, 100, "older", true},  // the older rotated log is replaced
                 {0, 1, nullptr, false},     // an empty log has reached no limit
                 {5000, 0, nullptr, false}, {5000, -1, nullptr, false}, {99, 100, "older", false}};
    for (const auto& c : cases) {
        Disk = FakeDisk{};
        const std::string old(c.Size, 'o');
        Disk.Names["keeper.log"] = std::make_shared<std::string>(old);
        if (c.OlderRotated)
            Disk.Names["keeper.1.log"] = std::make_shared<std::string>(c.OlderRotated);
        const std::string what = std::to_string(c.Size) + " " + std::to_string(c.Limit);

        EXPECT_EQ(Append(c.Limit), 0u) << what;
        EXPECT_EQ(Contents("keeper.log"), c.Rotates ? "new" : old + "new") << what;
        const std::optional<std::string> rotated = c.Rotates ? std::optional<std::string>(old)
                                                   : c.OlderRotated
                                                       ? std::optional<std::string>(c.OlderRotated)
                                                       : std::nullopt;
        EXPECT_EQ(Contents("keeper.1.log"), rotated) << what;
        EXPECT_EQ(Disk.Opens, Disk.Closes) << what;
        // Without a limit the log is opened as always; with one, so that it can be renamed.
        EXPECT_EQ(Disk.Modes.front(), c.Limit > 0 ? OpenMode::AppendRenamable : OpenMode::Append)
            << what;
    }
}

TEST_F(Rotation, AFailedRotationLeavesTheLogAsItWasAndIsReported) {
    // Size query error, rename error, sharing violations before the rename, code raised,
    // renames tried.
    const struct {
        ErrorCode SizeError;
        ErrorCode RenameError;
        int SharingViolations;
        ErrorCode Raised;
        int Renames;
    } cases[] = {
        {6, 0, 0, 6, 0},                      // the size query fails: no rename is tried
        {0, 5, 0, 5, 1},                      // no rights to rename
        {0, 0, 3, 0, 4},                      // a reader is waited out, then the rename works
        {0, 0, 1000, SharingViolation, 101},  // one that keeps the file open is not
    };
    for (const auto& c : cases) {
        Disk = FakeDisk{.SizeError = c.SizeError,
                        .RenameError = c.RenameError,
                        .RenameSharingViolations = c.SharingViolations};
        Disk.Names["keeper.log"] = std::make_shared<std::string>(200, 'o');
        const std::string what = std::to_string(c.SizeError) + " " + std::to_string(c.RenameError) +
                                 " " + std::to_string(c.SharingViolations);

        EXPECT_EQ(Append(100), c.Raised) << what;
        EXPECT_EQ(Disk.Renames, c.Renames) << what;
        EXPECT_EQ(Disk.Opens, Disk.Closes) << what;  // the handle is closed on every path
        if (c.Raised != 0) {
            EXPECT_EQ(Contents("keeper.log"), std::string(200, 'o')) << what;
            EXPECT_EQ(Contents("keeper.1.log"), std::nullopt) << what;
        } else {
            EXPECT_EQ(Contents("keeper.log"), "new") << what;
        }
    }
}

TEST_F(Rotation, WritersThatMeetAnotherWritersRotationKeepTheirEntries) {
    // The log was rotated away between this writer's existence test and its open: with a
    // limit the entry starts the new log; without one the missing file is an error.
    Disk = FakeDisk{};
    EXPECT_EQ(Append(100, true), 0u);
    EXPECT_EQ(Contents("keeper.log"), "new");
    Disk = FakeDisk{};
    EXPECT_EQ(Append(0, true), FileNotFound);
    EXPECT_EQ(Contents("keeper.log"), std::nullopt);

    // Another writer begins the new log between this writer's rename and its create: the
    // entry is appended to that log, which is not rotated a second time, whatever its size.
    Disk = FakeDisk{.CreatedMeanwhile = std::string(150, 'b')};
    Disk.Names["keeper.log"] = std::make_shared<std::string>(200, 'o');
    EXPECT_EQ(Append(100), 0u);
    EXPECT_EQ(Contents("keeper.log"), std::string(150, 'b') + "new");
    EXPECT_EQ(Contents("keeper.1.log"), std::string(200, 'o'));
    EXPECT_EQ(Disk.Renames, 1);
}

}  // namespace
}  // namespace keeper
