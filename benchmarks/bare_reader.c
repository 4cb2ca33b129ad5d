/* The floor under the main window's cost: the least a program can spend on the same bytes. It opens
 * the given serial devices, asks each bench to stream $44, then only waits in poll(), reads and frames
 * the replies (kind, code, length, data, checksum) for the measuring window.
 *
 *   bare_reader WARMUP_S SECONDS DEVICE...
 *
 * Prints one line: "replies TOTAL window WINDOW cpu_us CPU" where WINDOW replies arrived during the
 * SECONDS-long window and CPU is this process's user + system time in that window.
 */
#include "reply_framer.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#define MAX_DEVICES 4

/* Request frame of a data command: start byte, length, code, rate, ethanol flag, checksum. */
static void send_stream_request(int fd, unsigned char code, unsigned char rate) {
    unsigned char frame_bytes[6] = {0x02, 3, code, rate, 0, 0};
    const unsigned sum = 0x02 + code + rate;
    frame_bytes[5] = (unsigned char)(0u - ((sum & 0xFF) + 3u));
    if (write(fd, frame_bytes, sizeof frame_bytes) != (ssize_t)sizeof frame_bytes) perror("write");
}

static double now_s(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static long long cpu_us(void) {
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (long long)(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec +
           u.ru_stime.tv_usec;
}

static long total_packets(const struct reply_framer* f, int n) {
    long sum = 0;
    for (int i = 0; i < n; ++i)
        sum += f[i].packets;
    return sum;
}

static void read_until(struct pollfd* fds, struct reply_framer* f, int n, double end) {
    unsigned char buf[4096];
    for (double t = now_s(); t < end; t = now_s()) {
        const int timeout = (int)((end - t) * 1000) + 1;
        if (poll(fds, (nfds_t)n, timeout) < 0) {
            if (errno == EINTR) continue;
            perror("poll");
            exit(1);
        }
        for (int i = 0; i < n; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            const ssize_t got = read(fds[i].fd, buf, sizeof buf);
            if (got > 0) reply_framer_feed(&f[i], buf, (long)got);
        }
    }
}

int main(int argc, char** argv) {
    if (argc < 4 || argc - 3 > MAX_DEVICES) {
        fprintf(stderr, "usage: bare_reader WARMUP_S SECONDS DEVICE...\n");
        return 2;
    }
    const double warmup = atof(argv[1]);
    const double seconds = atof(argv[2]);
    const int n = argc - 3;
    struct pollfd fds[MAX_DEVICES];
    struct reply_framer f[MAX_DEVICES];
    memset(f, 0, sizeof f);
    for (int i = 0; i < n; ++i) {
        const int fd = open(argv[3 + i], O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            fprintf(stderr, "bare_reader: %s: %s\n", argv[3 + i], strerror(errno));
            return 2;
        }
        struct termios tio;
        if (tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
        fds[i].fd = fd;
        fds[i].events = POLLIN;
        send_stream_request(fd, 0x44, 2);
    }
    read_until(fds, f, n, now_s() + warmup);
    const long before = total_packets(f, n);
    const long long cpu_before = cpu_us();
    read_until(fds, f, n, now_s() + seconds);
    const long long cpu = cpu_us() - cpu_before;
    const long window = total_packets(f, n) - before;
    for (int i = 0; i < n; ++i)
        send_stream_request(fds[i].fd, 0x44, 0);
    /* The replies still on their way, and the stop request's own reply. */
    read_until(fds, f, n, now_s() + 1.0);
    printf("replies %ld window %ld cpu_us %lld\n", total_packets(f, n), window, cpu);
    for (int i = 0; i < n; ++i)
        close(fds[i].fd);
    return 0;
}
