// An application for the end-to-end tests of hangs ("HangTimeout"). It appends lines
// "<letter> <ms> ..." to the file STAMPS, with milliseconds of the system's monotonic
// clock, so that a test can measure against the application's own times. "S <ms> <pid>"
// is written at every start; run number k is counted by the S lines already in STAMPS, and
// only the first run does what makes it hang: the runs after it behave.
//
// Windows:
//   hang-app window ANSWER STAMPS   a visible top-level window that answers its messages
//                                   until ANSWER ms after the start ("Q <ms>" when it
//                                   stops), then a thread
//                                   that sleeps for ever without taking one; ANSWER below
//                                   0, and every later run: it answers for ever.
//   hang-app window-child ANSWER STAMPS  the same, and the first run starts a child of the
//                                   same file that sleeps for ever ("C <ms> <pid>"): its
//                                   own instance of the module, without windows.
// Linux, through the notification socket of $NOTIFY_SOCKET (one datagram a sendto):
//   hang-app ping AFTER PERIOD STAMPS   "READY=1", then "STATUS=...\nWATCHDOG=1" every
//                                   PERIOD ms ("P <ms>" after each), silent from AFTER ms
//                                   on; it starts a child that sleeps for ever ("C <ms>
//                                   <pid>"). Later runs ping for ever, without a child.
//   hang-app trigger AFTER STAMPS   sends only "WATCHDOG=trigger" after AFTER ms ("t <ms>"
//                                   before, "T <ms> ok" or "T <ms> failed" after, unless
//                                   keeper has ended it by then). Later runs send nothing.
//   hang-app child STAMPS           sends nothing itself; a child of it ("K <ms> <pid>")
//                                   sends "READY=1", then "WATCHDOG=trigger" ("k <ms> <n>":
//                                   n of the two were sent) and becomes sleep for 60 s.
//                                   Later runs send nothing.
//   hang-app env STAMPS             sends nothing; records NOTIFY_SOCKET, WATCHDOG_USEC and
//                                   WATCHDOG_PID as "V NAME=value", or "V NAME unset".
//   hang-app adopted PATH STAMPS    waits for a socket at PATH, then sends it "READY=1\n
//                                   WATCHDOG=trigger" ("T <ms> ok" or "failed"): a process
//                                   keeper did not launch that speaks the protocol. Later
//                                   runs send nothing.
//   hang-app adopted-child PATH STAMPS   the same, sent by a child of it as "child" does.
//   hang-app pingto PATH AFTER PERIOD STAMPS   waits for the socket PATH, then pings it as
//                                   "ping" does, without a child; every sendto blocks
//                                   until the datagram is queued.
//   hang-app send PATH STAMPS        sends "WATCHDOG=1" to the socket PATH once and ends:
//                                   exit code 0 when it was sent, 1 when not.
//   hang-app pingstop PERIOD STAMPS   pings as "ping" does, for ever; on SIGTERM ("Q <ms>")
//                                   it sends 40 more pings, then ends with exit code 0
//                                   ("E <ms>"): an application that says goodbye while
//                                   it ends, and cannot end while a sendto blocks.
// Every mode but send then stays until it is ended. PATH may be "@name", an abstract name.
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "app_support.h"

namespace {

using e2e::Now;
using e2e::Pid;
using e2e::Stay;
using e2e::Wait;

const char* stampFile = nullptr;

void Stamp(const std::string& line) { e2e::AppendLine(stampFile, line); }

void Stamp(char what, const std::string& rest = "") {
    Stamp(std::string(1, what) + " " + std::to_string(Now()) + (rest.empty() ? "" : " " + rest));
}

#ifdef _WIN32

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcA(window, message, w, l);
}

/// Starts this program again as "sleep STAMPS": a child that sleeps for ever.
void StartSleeper() {
    if (!e2e::StartCopy("sleep \"" + std::string(stampFile) + "\""))
        Stamp('X', "CreateProcessA " + std::to_string(GetLastError()));
}

int Window(long long started, long long answer) {
    WNDCLASSA type{};
    type.lpfnWndProc = WindowProcedure;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "HangAppWindow";
    RegisterClassA(&type);
    HWND window =
        CreateWindowExA(0, type.lpszClassName, "hang-app", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                        320, 200, nullptr, nullptr, type.hInstance, nullptr);
    if (window == nullptr) {
        Stamp('X', "CreateWindowExA " + std::to_string(GetLastError()));
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    const long long until = started + answer;
    while (answer < 0 || Now() < until) {
        const long long left = answer < 0 ? 1000 : until - Now();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left > 0 ? left : 0),
                                  QS_ALLINPUT);
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    Stamp('Q');
    Stay();  // no message is taken any more
}

#else

/// Fills `address` with the socket `path` ("@name" for an abstract one); its length, 0 for
/// none that fits.
socklen_t AddressOf(const char* path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    const std::size_t length = path == nullptr ? 0 : std::strlen(path);
    if (length == 0 || length >= sizeof address.sun_path) return 0;
    std::memcpy(address.sun_path, path, length);
    if (path[0] == '@') address.sun_path[0] = '\0';
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
}

/// Sends `text` as one datagram to the socket `path` ("@name" for an abstract one).
bool Send(const char* path, const std::string& text) {
    sockaddr_un address;
    const socklen_t length = AddressOf(path, address);
    if (length == 0) return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool sent = sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&address),
                             length) == static_cast<ssize_t>(text.size());
    close(fd);
    return sent;
}

bool Notify(const std::string& text) { return Send(std::getenv("NOTIFY_SOCKET"), text); }

/// Waits at most 20 s for a socket to be bound at `path`.
void WaitForSocket(const char* path) {
    sockaddr_un address;
    const socklen_t length = AddressOf(path, address);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    for (int i = 0; i < 400 && connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0; ++i)
        Wait(50);
    close(fd);
}

int Ping(const char* path, long long after, long long period, bool first, bool child) {
    if (first && child) {
        if (const pid_t id = fork(); id == 0) {
            Stay();
        } else {
            Stamp('C', std::to_string(id));
        }
    }
    const long long silent = Now() + after;
    if (!Send(path, "READY=1")) Stamp('X', "READY=1 not sent");
    for (int n = 1; !first || Now() < silent; ++n) {
        if (!Send(path, "STATUS=ping " + std::to_string(n) + "\nWATCHDOG=1"))
            Stamp('X', "ping not sent");
        Stamp('P');
        Wait(period);
    }
    Stay();
}

volatile sig_atomic_t Terminated = 0;
void TakeTerminate(int) { Terminated = 1; }
int PingUntilStopped(long long period) {
    std::signal(SIGTERM, TakeTerminate);
    Notify("READY=1");
    int left = 40;
    for (int n = 1; left > 0; ++n) {
        Notify("STATUS=ping " + std::to_string(n) + "\nWATCHDOG=1");
        if (Terminated != 0 && left-- == 40) Stamp('Q');
        Wait(period);
    }
    Stamp('E');
    return 0;
}
int Trigger(long long after, bool first) {
    if (!first) Stay();
    Wait(after);
    Stamp('t');  // keeper may end it as soon as the datagram is read
    Stamp('T', Notify("WATCHDOG=trigger") ? "ok" : "failed");
    Stay();
}

/// A child that stamps "K <ms> <pid>", sends "READY=1" and "WATCHDOG=trigger" to `path`,
/// stamps "k <ms> <n>" (n of the two were sent; not when keeper has ended it by then), then
/// lives on as sleep for 60 s: a sender that has ended before keeper reads its datagram
/// cannot be placed in a session, and a child of the module's own file would be adopted
/// once the application has ended.
void ChildSends(const char* path) {
    if (fork() != 0) return;
    Stamp('K', std::to_string(Pid()));
    const int sent = (Send(path, "READY=1") ? 1 : 0) + (Send(path, "WATCHDOG=trigger") ? 1 : 0);
    Stamp('k', std::to_string(sent));
    execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    _exit(0);
}

int Child(bool first) {
    if (first) ChildSends(std::getenv("NOTIFY_SOCKET"));
    Stay();
}

int Environment() {
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"}) {
        const char* value = std::getenv(name);
        Stamp(value == nullptr ? std::string("V ") + name + " unset"
                               : std::string("V ") + name + "=" + value);
    }
    Stay();
}

int Adopted(const char* path, bool first, bool byChild) {
    if (!first) Stay();
    WaitForSocket(path);
    if (byChild) {
        ChildSends(path);
    } else {
        Stamp('t');  // keeper may end it as soon as the datagram is read
        Stamp('T', Send(path, "READY=1\nWATCHDOG=trigger") ? "ok" : "failed");
    }
    Stay();
}

#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    stampFile = argv[argc - 1];
#ifdef _WIN32
    if (mode == "sleep") {  // a child: no run of its own
        Stamp('C', std::to_string(Pid()));
        Stay();
    }
#endif
    const bool first = e2e::CountLines(stampFile, "S ") == 0;  // the S lines of earlier runs
    [[maybe_unused]] const long long started = Now();
    Stamp('S', std::to_string(Pid()));
#ifdef _WIN32
    if (mode == "window" && argc == 4) return Window(started, first ? std::atoll(argv[2]) : -1);
    if (mode == "window-child" && argc == 4) {
        if (first) StartSleeper();
        return Window(started, first ? std::atoll(argv[2]) : -1);
    }
#else
    if (mode == "ping" && argc == 5)
        return Ping(std::getenv("NOTIFY_SOCKET"), std::atoll(argv[2]), std::atoll(argv[3]), first,
                    true);
    if (mode == "pingto" && argc == 6) {
        WaitForSocket(argv[2]);
        return Ping(argv[2], std::atoll(argv[3]), std::atoll(argv[4]), first, false);
    }
    if (mode == "trigger" && argc == 4) return Trigger(std::atoll(argv[2]), first);
    if (mode == "pingstop" && argc == 4) return PingUntilStopped(std::atoll(argv[2]));
    if (mode == "child" && argc == 3) return Child(first);
    if (mode == "env" && argc == 3) return Environment();
    if (mode == "adopted" && argc == 4) return Adopted(argv[2], first, false);
    if (mode == "adopted-child" && argc == 4) return Adopted(argv[2], first, true);
    if (mode == "send" && argc == 4) return Send(argv[2], "WATCHDOG=1") ? 0 : 1;
#endif
    Stamp('X', "unknown mode " + mode);
    return 2;
}
