/* stamp-exec FILE PROGRAM ARGS...: appends "X <ns>" (CLOCK_MONOTONIC) to FILE, then
 * replaces itself with PROGRAM, so the time of the supervisor's exec is known to the
 * nanosecond. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    int fd = open(argv[1], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return 2;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    int n = snprintf(line, sizeof line, "X %lld\n",
                     (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    if (write(fd, line, (size_t)n) != n) return 2;
    close(fd);
    execvp(argv[2], argv + 2);
    perror(argv[2]);
    return 127;
}
