// Forced into every GoogleTest compilation of the Windows builds. mingw-w64's g++ 12
// with the win32 thread model, which keeper.exe is built with, has no std::mutex or
// std::condition_variable; GoogleTest's Notification (its only user of them) is given
// here on a Win32 event instead, and GTEST_HAS_NOTIFICATION_ tells GoogleTest so.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace testing::internal
