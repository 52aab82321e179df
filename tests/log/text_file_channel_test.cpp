#include "log/text_file_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/event_log.h"
#include "log/exceptions.h"

namespace keeper {
namespace {

/// One in-memory file behind the platform's file calls, with failures on demand.
struct FakeFile {
    bool Exists = false;
    std::string Bytes;
    std::size_t Position = 0;
    std::vector<std::size_t> Writes;  // the size of every write request
    ErrorCode OpenError = 0;
    int SharingViolations = 0;        // opens that fail before one succeeds
    int FailingWrite = -1;            // index of the write request that fails
    ErrorCode WriteError = 112;
    ErrorCode SizeError = 0;
    ErrorCode CloseError = 0;
    bool KnownType = true;
    int Opens = 0;
    int Closes = 0;
};
FakeFile* Fake = nullptr;

FileCalls FakeCalls() {
    FileCalls calls = Files;
    calls.Open = [](const std::string&, OpenMode mode, FileHandle& file, ErrorCode& error) {
        ++Fake->Opens;
        if (Fake->SharingViolations > 0) {
            --Fake->SharingViolations;
            error = SharingViolation;
            return false;
        }
        if (Fake->OpenError != 0 || (mode == OpenMode::Append && !Fake->Exists)) {
            error = Fake->OpenError != 0 ? Fake->OpenError : 2;
            return false;
        }
        if (mode == OpenMode::Create) Fake->Bytes.clear();
        Fake->Exists = true;
        Fake->Position = 0;
        file = 7;
        return true;
    };
    calls.Size = [](FileHandle, std::uint64_t& size, ErrorCode& error) {
        error = Fake->SizeError;
        size = Fake->Bytes.size();
        return error == 0;
    };
    calls.Seek = [](FileHandle, std::int64_t distance, SeekFrom from, ErrorCode&) {
        Fake->Position = static_cast<std::size_t>(
            (from == SeekFrom::End ? static_cast<std::int64_t>(Fake->Bytes.size()) : 0) + distance);
        return true;
    };
    calls.Read = [](FileHandle, char* buffer, std::uint32_t size, std::uint32_t& count, ErrorCode&) {
        const std::string part = Fake->Bytes.substr(Fake->Position, size);
        part.copy(buffer, part.size());
        count = static_cast<std::uint32_t>(part.size());
        Fake->Position += part.size();
        return true;
    };
    calls.Truncate = [](FileHandle, ErrorCode&) {
        Fake->Bytes.resize(Fake->Position);
        return true;
    };
    calls.HasKnownType = [](FileHandle, ErrorCode& error) {
        error = 0;
        return Fake->KnownType;
    };
    calls.Write = [](FileHandle, const char* bytes, std::uint32_t count, ErrorCode& error) {
        if (static_cast<int>(Fake->Writes.size()) == Fake->FailingWrite) {
            Fake->Writes.push_back(count);
            error = Fake->WriteError;
            return false;
        }
        Fake->Writes.push_back(count);
        Fake->Bytes.replace(Fake->Position, count, bytes, count);
        Fake->Position += count;
        return true;
    };
    calls.Close = [](FileHandle, ErrorCode& error) {
        ++Fake->Closes;
        error = Fake->CloseError;
        return error == 0;
    };
    return calls;
}

class Channel : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Files;
        Files = FakeCalls();
        Fake = &file_;
        PendingIoCode = 0;
    }
    void TearDown() override { Files = saved_; }

    /// Opens, puts `text`, writes out and closes, as an entry does.
    void Append(const std::string& text) {
        TextFileChannel channel;
        BindChannel(channel, "keeper.log");
        file_.Exists ? OpenForAppend(channel) : OpenForCreate(channel);
        if (!channel.IsOpen) return;
        PutText(channel, text);
        WriteOutBuffer(channel);
        CloseChannel(channel);
    }

    FakeFile file_;
    FileCalls saved_{};
};

TEST_F(Channel, WritesInRequestsOfTheBufferSize) {
    const struct {
        std::size_t Length;
        std::vector<std::size_t> Requests;
    } cases[] = {
        {300, {128, 128, 44}},
        {128, {128}},  // written while put, nothing left for the write-out
        {127, {127}},
        {256, {128, 128}},
        {0, {}},
    };
    for (const auto& c : cases) {
        file_ = FakeFile{};
        Append(std::string(c.Length, 'x'));
        EXPECT_EQ(file_.Writes, c.Requests) << c.Length;
        EXPECT_EQ(file_.Bytes.size(), c.Length);
        EXPECT_EQ(PendingIoCode, 0u);
    }
}

TEST_F(Channel, TailRuleCutsAtTheFirst0EAmongTheLast128Bytes) {
    auto withByte = [](std::size_t size, std::vector<std::size_t> at, char byte = '\x0E') {
        std::string bytes(size, 'a');
        for (std::size_t i : at) bytes[i] = byte;
        return bytes;
    };
    const struct {
        const char* What;
        std::string Before;
        std::size_t Kept;  // bytes left before the new text
    } cases[] = {
        {"empty file", "", 0},
        {"0E twice: the earlier counts", withByte(1000, {900, 950}), 900},
        {"0E outside the tail", withByte(1000, {100}), 1000},
        {"0E at the first byte of the tail", withByte(1000, {872}), 872},
        {"0E just before the tail", withByte(1000, {871}), 1000},
        {"short file", withByte(50, {5}), 5},
        {"0E as the last byte", withByte(50, {49}), 49},
        {"end-of-file character is no mark", withByte(50, {49}, '\x1A'), 50},
    };
    for (const auto& c : cases) {
        file_ = FakeFile{};
        file_.Exists = true;
        file_.Bytes = c.Before;
        Append("new");
        EXPECT_EQ(file_.Bytes, c.Before.substr(0, c.Kept) + "new") << c.What;
    }
}

TEST_F(Channel, FailuresAreStoredNotRaised) {
    const struct {
        const char* What;
        void (*Arrange)(FakeFile&);
        ErrorCode Code;
        std::size_t BytesLeft;
        int Closes;
    } cases[] = {
        {"open", [](FakeFile& f) { f.OpenError = 5; }, 5, 0, 0},
        {"size query of the tail rule",
         [](FakeFile& f) { f.Exists = true; f.Bytes = "old"; f.SizeError = 6; }, 6, 3, 1},
        {"unknown file type", [](FakeFile& f) { f.KnownType = false; }, UnknownFileTypeCode, 0, 1},
        {"second write request",
         [](FakeFile& f) { f.FailingWrite = 1; }, 112, 128, 1},  // the first request stays
        {"close", [](FakeFile& f) { f.CloseError = 6; }, 6, 300, 1},
    };
    for (const auto& c : cases) {
        file_ = FakeFile{};
        PendingIoCode = 0;
        c.Arrange(file_);
        Append(std::string(300, 'x'));
        EXPECT_EQ(PendingIoCode, c.Code) << c.What;
        EXPECT_EQ(file_.Bytes.size(), c.BytesLeft) << c.What;
        EXPECT_EQ(file_.Closes, c.Closes) << c.What;
    }
    // A failed write drops the rest of the text: no third request follows the second.
    file_ = FakeFile{};
    file_.FailingWrite = 1;
    Append(std::string(300, 'x'));
    EXPECT_EQ(file_.Writes, (std::vector<std::size_t>{128, 128}));
}

TEST_F(Channel, CheckIoRaisesOnceAndClears) {
    EXPECT_NO_THROW(CheckIo());
    PendingIoCode = 5;
    try {
        CheckIo();
        FAIL() << "no error raised";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 5);
        EXPECT_NE(error.Address(), nullptr);
    }
    EXPECT_EQ(PendingIoCode, 0u);
    EXPECT_NO_THROW(CheckIo());
}

TEST_F(Channel, SharingViolationsAreWaitedOut) {
    file_.SharingViolations = 3;
    Append("entry");
    EXPECT_EQ(file_.Opens, 4);
    EXPECT_EQ(file_.Bytes, "entry");
    EXPECT_EQ(PendingIoCode, 0u);
}

TEST_F(Channel, WriteLogReportsTheWriteErrorAfterClosing) {
    file_.FailingWrite = 1;
    EXPECT_THROW(WriteLog("keeper.log", std::string(300, 'x')), EInOutError);
    EXPECT_EQ(file_.Closes, 1);
    EXPECT_EQ(PendingIoCode, 0u);
    // A failing close replaces the error on its way.
    file_ = FakeFile{};
    file_.FailingWrite = 0;
    file_.CloseError = 6;
    try {
        WriteLog("keeper.log", "x");
        FAIL() << "no error raised";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 6);
    }
}

}  // namespace
}  // namespace keeper
