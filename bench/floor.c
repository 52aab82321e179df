/* floor PROGRAM: the least a supervisor can do on Linux, for comparison: start the
 * program with posix_spawn, wait for it, start it again at once; no scan, no log, no
 * pause. SIGTERM ends the loop (the program is left running). */
#define _GNU_SOURCE
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
static volatile sig_atomic_t stop;
static void on_term(int sig) { (void)sig; stop = 1; }

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    struct sigaction action = {0};
    action.sa_handler = on_term;
    sigaction(SIGTERM, &action, NULL);
    while (!stop) {
        pid_t pid;
        if (posix_spawn(&pid, argv[1], NULL, NULL, argv + 1, environ) != 0) return 1;
        while (waitpid(pid, NULL, 0) < 0 && !stop) {
        }
    }
    return 0;
}
