/* Counts the reply packets (kind byte 06 or 15 hex, code, length, data, checksum) that pass their
 * checksum in a byte stream, however the stream is split into reads. The bare reader frames with it,
 * and the window benchmark counts with it what reached the host's ports, apart from the bench link's
 * own framing. */
#ifndef REPLY_FRAMER_H
#define REPLY_FRAMER_H

struct reply_framer {
    int state;
    int length;
    int count;
    unsigned sum;
    long packets;
};

static inline void reply_framer_feed(struct reply_framer* f, const unsigned char* bytes, long n) {
    for (long i = 0; i < n; ++i) {
        const unsigned char b = bytes[i];
        switch (f->state) {
        case 0:
            if (b == 0x06 || b == 0x15) {
                f->sum = b;
                f->state = 1;
            }
            break;
        case 1:
            f->sum += b;
            f->state = 2;
            break;
        case 2:
            f->sum += b;
            f->length = b;
            f->count = 0;
            f->state = b == 0 ? 4 : 3;
            break;
        case 3:
            f->sum += b;
            if (++f->count >= f->length) f->state = 4;
            break;
        default:
            if (((f->sum + b) & 0xFF) == 0) ++f->packets;
            f->state = 0;
            break;
        }
    }
}

#endif
