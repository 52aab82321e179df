#include "log/text_file_channel.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "log/event_log.h"
#include "log/fatal_errors.h"
#include "platform/errors.h"

namespace keeper {
namespace {

/// One in-memory file behind the platform's file calls, with failures on demand.
struct FakeFile {
    bool Exists = false;
    std::string Bytes{};
    std::size_t Position = 0;
    std::vector<std::size_t> Writes{};  // the size of every write request
    ErrorCode OpenError = 0;
    int SharingViolations = 0;  // opens that fail before one succeeds
    int FailingWrite = -1;      // index of the write request that fails, with error 112
    ErrorCode SizeError = 0;
    ErrorCode CloseError = 0;
    bool KnownType = true;
    int Opens = 0;
    int Closes = 0;
};
FakeFile Fake;

FileCalls FakeCalls() {
    FileCalls calls{};
    calls.Open = [](const std::string&, OpenMode mode) -> Result<FileHandle> {
        ++Fake.Opens;
        const ErrorCode error = Fake.SharingViolations-- > 0               ? SharingViolation
                                : Fake.OpenError != 0                      ? Fake.OpenError
                                : mode == OpenMode::Append && !Fake.Exists ? 2
                                : mode == OpenMode::Create && Fake.Exists  ? FileExists
                                                                           : 0;
        if (error != 0) return {0, error};
        if (mode == OpenMode::Create) Fake.Bytes.clear();
        Fake.Exists = true;
        Fake.Position = 0;
        return {7, 0};
    };
    calls.Size = [](FileHandle) -> Result<std::uint64_t> {
        return {Fake.Bytes.size(), Fake.SizeError};
    };
    calls.Seek = [](FileHandle, std::int64_t distance, SeekFrom from) -> ErrorCode {
        Fake.Position = (from == SeekFrom::End ? Fake.Bytes.size() : 0) + distance;
        return 0;
    };
    calls.Read = [](FileHandle, char* buffer, std::uint32_t size) -> Result<std::uint32_t> {
        const auto count =
            static_cast<std::uint32_t>(Fake.Bytes.substr(Fake.Position).copy(buffer, size));
        Fake.Position += count;
        return {count, 0};
    };
    calls.Truncate = [](FileHandle) -> ErrorCode {
        Fake.Bytes.resize(Fake.Position);
        return 0;
    };
    calls.HasKnownType = [](FileHandle) -> Result<bool> { return {Fake.KnownType, 0}; };
    calls.Write = [](FileHandle, const char* bytes, std::uint32_t count) -> ErrorCode {
        Fake.Writes.push_back(count);
        if (static_cast<int>(Fake.Writes.size()) == Fake.FailingWrite + 1) return 112;
        Fake.Bytes.replace(Fake.Position, count, bytes, count);
        Fake.Position += count;
        return 0;
    };
    calls.Close = [](FileHandle) -> ErrorCode {
        ++Fake.Closes;
        return Fake.CloseError;
    };
    return calls;
}

class Channel : public ::testing::Test {
protected:
    void SetUp() override { Files = FakeCalls(); }
    void TearDown() override { Files = saved_; }

    /// Starts from `file`, then opens, puts `text`, writes out and closes, as an entry does;
    /// gives the error an entry gives. A 0 in Fake.Writes marks where PutText ended.
    static ErrorCode Append(const FakeFile& file, const std::string& text) {
        Fake = file;
        TextFileChannel channel;
        BindChannel(channel, "keeper.log");
        if (const ErrorCode error = Fake.Exists ? OpenForAppend(channel) : OpenForCreate(channel))
            return error;  // not opened
        ErrorCode error = PutText(channel, text);
        Fake.Writes.push_back(0);
        if (error == 0) error = WriteOutBuffer(channel);
        const ErrorCode closing = CloseChannel(channel);
        return closing != 0 ? closing : error;
    }

    const FileCalls saved_ = Files;
};

TEST_F(Channel, TailRuleCutsAtTheFirst0EAmongTheLast128Bytes) {
    // Size of the old file, positions of the marks in it, the mark, bytes kept before the entry;
    // the end-of-file character 0x1A is no mark.
    const std::tuple<std::size_t, std::vector<std::size_t>, char, std::size_t> cases[] = {
        {0, {}, '\x0E', 0},         {1000, {900, 950}, '\x0E', 900}, {1000, {100}, '\x0E', 1000},
        {1000, {872}, '\x0E', 872}, {1000, {871}, '\x0E', 1000},     {50, {5}, '\x0E', 5},
        {50, {49}, '\x0E', 49},     {50, {49}, '\x1A', 50}};
    for (const auto& [size, marks, mark, kept] : cases) {
        FakeFile file{.Exists = true, .Bytes = std::string(size, 'a')};
        for (std::size_t at : marks)
            file.Bytes[at] = mark;
        EXPECT_EQ(Append(file, "new"), 0u);
        EXPECT_EQ(Fake.Bytes, file.Bytes.substr(0, kept) + "new") << size << " " << kept;
    }
}

TEST_F(Channel, AFileCreatedByAnotherProcessAfterTheExistenceTestIsAppendedTo) {
    // The entry found no file, but another process wrote one before the open: its entries
    // stay, and the tail rule applies to it as to any existing log.
    for (const auto& [old, kept] :
         {std::pair<std::string, std::string>{"other\r\n", "other\r\n"}, {"other\x0E", "other"}}) {
        Fake = FakeFile{.Exists = true, .Bytes = old};
        TextFileChannel channel;
        BindChannel(channel, "keeper.log");
        ASSERT_EQ(OpenForCreate(channel), 0u);  // opened
        EXPECT_EQ(PutText(channel, "new"), 0u);
        EXPECT_EQ(WriteOutBuffer(channel), 0u);
        EXPECT_EQ(CloseChannel(channel), 0u);
        EXPECT_EQ(Fake.Bytes, kept + "new");
        EXPECT_EQ(Fake.Opens, 2);
    }
}

TEST_F(Channel, WritesInRequestsOfTheBufferSizeAndGivesFailures) {
    // File, length of the entry, code given, bytes of the entry in the file, write requests (0
    // marks where PutText ended; a failed request drops the rest of the text), opens, closes.
    using Writes = std::vector<std::size_t>;
    const std::tuple<FakeFile, std::size_t, ErrorCode, std::size_t, Writes, int, int> cases[] = {
        {{}, 300, 0, 300, {128, 128, 0, 44}, 1, 1},
        {{}, 128, 0, 128, {128, 0}, 1, 1},  // written while put: nothing left for the write-out
        {{}, 127, 0, 127, {0, 127}, 1, 1},
        {{}, 0, 0, 0, {0}, 1, 1},
        {{.SharingViolations = 3}, 5, 0, 5, {0, 5}, 4, 1},  // another writer is waited out
        {{.OpenError = 5}, 300, 5, 0, {}, 1, 0},
        {{.Exists = true, .SizeError = 6}, 300, 6, 0, {}, 1, 1},    // the tail rule's size query
        {{.KnownType = false}, 300, 105, 0, {}, 1, 1},              // no known file type
        {{.FailingWrite = 1}, 300, 112, 128, {128, 128, 0}, 1, 1},  // the first request stays
        {{.CloseError = 6}, 300, 6, 300, {128, 128, 0, 44}, 1, 1}};
    for (const auto& [file, length, code, kept, writes, opens, closes] : cases) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>('a' + i % 26);
        EXPECT_EQ(Append(file, text), code) << length;
        EXPECT_EQ(Fake.Bytes, text.substr(0, kept)) << length << " " << code;
        EXPECT_EQ(Fake.Writes, writes) << length << " " << code;
        EXPECT_EQ(Fake.Opens, opens) << length << " " << code;
        EXPECT_EQ(Fake.Closes, closes) << length << " " << code;
        if (code != 0) {  // the report names the failed file operation with its code
            const Exception error = FatalError(code);
            EXPECT_STREQ(error.ClassName(), "EInOutError");
            EXPECT_EQ(static_cast<ErrorCode>(error.Code()), code);
        }
    }
}

TEST(EventLog, SystemTextsLoseTrailingBlanksControlBytesAndFullStops) {
    const std::pair<std::string, std::string> cases[] = {
        {"Access is denied.\r\n", "Access is denied"},
        {"No such file or directory", "No such file or directory"},
        {"trailing blanks   ", "trailing blanks"},
        {"several periods...", "several periods"},
        {"a period then a blank. ", "a period then a blank"},
        {"mixed .\t. \r\n.", "mixed"},
        {"Mid. sentence stays\r\n", "Mid. sentence stays"},
        {"bytes \xE9\x80", "bytes \xE9\x80"},  // 0x80 and above are never removed
        {"\x80.", "\x80"},
        {"\x01\x1F\x20\x21", "\x01\x1F\x20\x21"},  // only the end is trimmed
        {"...\r\n", ""},
        {"", ""}};
    for (const auto& [text, trimmed] : cases)
        EXPECT_EQ(TrimmedMessage(text), trimmed) << text;
}

TEST_F(Channel, WriteLogGivesTheErrorAfterClosing) {
    // Failing close, error given: a failing close replaces the error on its way.
    for (const auto& [closeError, raised] : {std::pair<ErrorCode, ErrorCode>{0, 112}, {6, 6}}) {
        Fake = FakeFile{.FailingWrite = 1, .CloseError = closeError};
        EXPECT_EQ(WriteLog("keeper.log", std::string(300, 'x')), raised);
        EXPECT_EQ(Fake.Closes, 1);
    }
}

}  // namespace
}  // namespace keeper

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "platform/files.h"

namespace keeper {
namespace {

TEST(InOutTable, SystemCodesOfLinuxTakeTheRowsOfTheirWindowsCounterparts) {
    const std::pair<int, ErrorCode> rows[] = {
        {ENOENT, 2}, {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {EMFILE, 4}, {ENFILE, 4},     {EACCES, 5},
        {EPERM, 5},  {EROFS, 5},   {EISDIR, 5},       {ENOSPC, 0}, {EWOULDBLOCK, 0}};
    for (const auto& [code, row] : rows)
        EXPECT_EQ(InOutTableCode(static_cast<ErrorCode>(code)), row) << code;
}

TEST(PosixFiles, CreatingAFileThatExistsFailsAndLeavesItWhole) {
    char path[] = "/tmp/keeper-create-test.XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "kept\r\n", 6), 6);
    close(fd);
    EXPECT_EQ(Files.Open(path, OpenMode::Create).Error, FileExists);
    std::ifstream in(path, std::ios::binary);
    const std::string contents{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    EXPECT_EQ(contents, "kept\r\n");
    unlink(path);
}

TEST(PosixFiles, AWriteRequestThatFailsPartWayLeavesNoneOfItsBytes) {
    // A file size limit stands in for a full disk: the kernel takes the bytes up to the
    // limit, then refuses the rest.
    char path[] = "/tmp/keeper-write-test.XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const Result<FileHandle> opened = Files.Open(path, OpenMode::Append);
    ASSERT_EQ(opened.Error, 0u);
    const FileHandle file = opened.Value;
    ASSERT_EQ(Files.Write(file, "0123456789", 10), 0u);

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 50;
    setrlimit(RLIMIT_FSIZE, &limited);
    const std::string request(128, 'x');
    const ErrorCode failure = Files.Write(file, request.data(), 128);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(failure, static_cast<ErrorCode>(EFBIG));
    // The next request continues right after the last whole one.
    EXPECT_EQ(Files.Write(file, "ab", 2), 0u);
    EXPECT_EQ(Files.Close(file), 0u);
    std::ifstream in(path, std::ios::binary);
    const std::string contents{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    EXPECT_EQ(contents, "0123456789ab");
    unlink(path);
}

}  // namespace
}  // namespace keeper
#endif
