/* The program every supervisor under test watches. It appends "S <ns> <pid>" to the
 * file named by WATCHED_LOG when it starts and "E <ns> <pid>" right before it exits,
 * with CLOCK_MONOTONIC nanoseconds, one write(2) per line on an O_APPEND descriptor.
 * WATCHED_MODE: "exit" ends at once, "run:<ms>" ends after that many milliseconds,
 * "stay" waits for a signal. Arguments are ignored, so it can be started through a
 * symlink named "run" as runsv, supervise and s6-supervise want. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static void record(int fd, char kind) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    int n = snprintf(line, sizeof line, "%c %lld %d\n", kind,
                     (long long)now.tv_sec * 1000000000LL + now.tv_nsec, (int)getpid());
    if (fd >= 0 && write(fd, line, (size_t)n) != n) _exit(3);
}

int main(void) {
    const char *log = getenv("WATCHED_LOG");
    const char *mode = getenv("WATCHED_MODE");
    int fd = log ? open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644) : -1;
    record(fd, 'S');
    if (mode && strcmp(mode, "stay") == 0) {
        for (;;) pause();
    }
    if (mode && strncmp(mode, "run:", 4) == 0) {
        long ms = strtol(mode + 4, NULL, 10);
        struct timespec rest = {ms / 1000, (ms % 1000) * 1000000L};
        while (clock_nanosleep(CLOCK_MONOTONIC, 0, &rest, &rest) != 0) {
        }
    }
    record(fd, 'E');
    _exit(0);
}
