#pragma once

// The host's end of a simulated bench for tests: builds request frames and splits the bench's output
// into reply packets, both written here from the wire format and not taken from the host's code.

#include "request_frame.h"
#include "sim_bench.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <initializer_list>

struct Reply {
    uint8_t kind = 0;
    uint8_t code = 0;
    QByteArray data;
    bool checksumOk = false;
    uint8_t at(int i) const { return uint8_t(data.at(i)); }
    int s16(int i) const { return int16_t((at(i) << 8) | at(i + 1)); }
    uint32_t u32(int i) const {
        return (uint32_t(at(i)) << 24) | (uint32_t(at(i + 1)) << 16) | (uint32_t(at(i + 2)) << 8) | at(i + 3);
    }
};

inline QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// Splits a byte stream into reply packets. Bytes before a kind byte are counted as noise; an
// incomplete packet at the end is left in `rest`.
inline QList<Reply> SplitReplies(const QByteArray& stream, int* noise = nullptr, QByteArray* rest = nullptr) {
    QList<Reply> out;
    int i = 0, skipped = 0;
    while (i < stream.size()) {
        const uint8_t kind = uint8_t(stream.at(i));
        if (kind != 0x06 && kind != 0x15) {
            ++skipped;
            ++i;
            continue;
        }
        if (i + 3 > stream.size()) break;
        const int len = uint8_t(stream.at(i + 2));
        if (i + 4 + len > stream.size()) break;
        Reply r;
        r.kind = kind;
        r.code = uint8_t(stream.at(i + 1));
        r.data = stream.mid(i + 3, len);
        uint8_t sum = 0;
        for (int k = 0; k < len + 4; ++k)
            sum = uint8_t(sum + uint8_t(stream.at(i + k)));
        r.checksumOk = sum == 0;
        out << r;
        i += len + 4;
    }
    if (noise) *noise = skipped;
    if (rest) *rest = stream.mid(i);
    return out;
}

// A bench wired to a buffer.
struct Peer {
    SimBench bench;
    QByteArray out;
    explicit Peer(int index = 0) : bench(index) {
        bench.SetWriter([this](const QByteArray& b) { out += b; });
    }
    // Sends one request and returns the replies it produced at once.
    QList<Reply> request(uint8_t code, const QByteArray& args = {}) {
        out.clear();
        bench.Receive(Frame(code, args));
        return SplitReplies(out);
    }
    QList<Reply> take() {
        const QList<Reply> r = SplitReplies(out);
        out.clear();
        return r;
    }
};
