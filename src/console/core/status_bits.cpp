#include "status_bits.h"

namespace {

// Every field lies inside its byte, within the screen's bytes, and no two boxes of a screen read the
// same bit: a row copied without changing its bit would fail here.
template <std::size_t N>
constexpr bool wellFormed(const TStatusBox (&boxes)[N], int firstByte, int lastByte) {
    std::array<uint8_t, 16> used{};
    for (const TStatusBox& b : boxes) {
        if (b.width < 1 || b.width > 2 || b.shift + b.width > 8) return false;
        if (b.byte < firstByte || b.byte > lastByte) return false;
        const auto mask = uint8_t(((1u << b.width) - 1u) << b.shift);
        if (used[b.byte] & mask) return false;
        used[b.byte] |= mask;
    }
    return true;
}
static_assert(StatusBoxCount == 19 && wellFormed(StatusBoxes, 0, 3));
static_assert(EngineeringBoxCount == 58 && wellFormed(EngineeringBoxes, 4, 15));

template <std::size_t N, std::size_t M>
std::array<TStatusText, N> decodeAll(const TStatusBox (&boxes)[M], const TStatusBytes& status) {
    static_assert(N == M);
    std::array<TStatusText, N> view;
    for (std::size_t i = 0; i < N; ++i)
        view[i] = DecodeStatusBox(boxes[i], status);
    return view;
}

} // namespace

TStatusText DecodeStatusBox(const TStatusBox& box, const TStatusBytes& status) {
    const unsigned value = (unsigned(status[box.byte]) >> box.shift) & ((1u << box.width) - 1u);
    return box.texts[value];
}

TStatusView DecodeStatus(const TStatusBytes& status) {
    return decodeAll<StatusBoxCount>(StatusBoxes, status);
}

TEngineeringStatusView DecodeEngineeringStatus(const TStatusBytes& status) {
    return decodeAll<EngineeringBoxCount>(EngineeringBoxes, status);
}

std::string_view StatusColourName(TStatusColour colour) {
    return colour == TStatusColour::Red ? "red" : "green";
}
