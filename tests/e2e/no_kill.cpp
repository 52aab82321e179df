// Preloaded into keeper, makes its ends by force fail as they do for a process that the
// system cannot end (one stuck in the kernel): kill and pidfd_send_signal report SIGKILL as
// sent, and send nothing. Every other signal goes as it would.
#include <dlfcn.h>
#include <signal.h>
#include <sys/types.h>

extern "C" {

int kill(pid_t pid, int signal) {
    static const auto real = reinterpret_cast<int (*)(pid_t, int)>(dlsym(RTLD_NEXT, "kill"));
    return signal == SIGKILL ? 0 : real(pid, signal);
}

int pidfd_send_signal(int pidfd, int signal, siginfo_t* info, unsigned int flags) {
    static const auto real = reinterpret_cast<int (*)(int, int, siginfo_t*, unsigned int)>(
        dlsym(RTLD_NEXT, "pidfd_send_signal"));
    return signal == SIGKILL ? 0 : real(pidfd, signal, info, flags);
}
}
