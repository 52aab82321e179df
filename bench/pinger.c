/* The application of bench/hang-idle: it speaks the notification protocol to the socket
 * of $NOTIFY_SOCKET, one sendto(2) a datagram: "READY=1", then "WATCHDOG=1" every PERIOD
 * milliseconds (its only argument); with 0, or without NOTIFY_SOCKET, it sends nothing.
 * Otherwise it waits for a signal. */
#define _GNU_SOURCE
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

static void notify(const char *state) {
    const char *name = getenv("NOTIFY_SOCKET");
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    size_t length = name == NULL ? 0 : strlen(name);
    if (length == 0 || length >= sizeof address.sun_path) return;
    memcpy(address.sun_path, name, length);
    if (name[0] == '@') address.sun_path[0] = '\0'; /* an abstract name, as keeper gives it */
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sendto(fd, state, strlen(state), 0, (struct sockaddr *)&address,
           offsetof(struct sockaddr_un, sun_path) + length);
    close(fd);
}

int main(int argc, char **argv) {
    long period = argc > 1 ? strtol(argv[1], NULL, 10) : 0;
    if (period <= 0 || getenv("NOTIFY_SOCKET") == NULL) {
        for (;;) pause();
    }
    notify("READY=1");
    for (;;) {
        struct timespec rest = {period / 1000, (period % 1000) * 1000000L};
        while (clock_nanosleep(CLOCK_MONOTONIC, 0, &rest, &rest) != 0) {
        }
        notify("WATCHDOG=1");
    }
}
