// MPEG audio Layer III frame headers and ID3v2 tags.
#include "alerts/mp3_frame.h"

#include <array>

namespace lumeno {

namespace {

// kbps by bitrate index; 0 (free format) and 15 are not usable.
constexpr std::array<int, 15> kBitratesMpeg1 = {0,   32,  40,  48,  56,  64,  80, 96,
                                                112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> kBitratesMpeg2 = {0,  8,  16, 24,  32,  40,  48, 56,
                                                64, 80, 96, 112, 128, 144, 160};
constexpr std::array<int, 3> kRatesMpeg1 = {44100, 48000, 32000};

}  // namespace

std::optional<Mp3FrameHeader> ParseMp3FrameHeader(std::span<const std::uint8_t> b) {
    if (b.size() < 4) return std::nullopt;
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return std::nullopt;  // 11 sync bits
    const int versionBits = (b[1] >> 3) & 3;                         // 0: 2.5, 2: 2, 3: 1
    const int layerBits = (b[1] >> 1) & 3;                           // 1: Layer III
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1) return std::nullopt;
    if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return std::nullopt;

    Mp3FrameHeader h;
    h.mpegVersion = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const bool mpeg1 = h.mpegVersion == 1;
    h.bitrateKbps =
        (mpeg1 ? kBitratesMpeg1 : kBitratesMpeg2)[static_cast<std::size_t>(bitrateIndex)];
    h.sampleRate = kRatesMpeg1[static_cast<std::size_t>(rateIndex)] / (mpeg1                ? 1
                                                                       : h.mpegVersion == 2 ? 2
                                                                                            : 4);
    h.padding = (b[2] >> 1) & 1;
    h.channels = (b[3] >> 6) == 3 ? 1 : 2;
    h.samplesPerFrame = mpeg1 ? 1152 : 576;
    // samples / 8 bits per byte * bitrate / rate, plus the padding byte.
    h.frameBytes =
        h.samplesPerFrame / 8 * h.bitrateKbps * 1000 / h.sampleRate + (h.padding ? 1 : 0);
    return h;
}

std::size_t Id3v2TagSize(std::span<const std::uint8_t> b) {
    if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
    if (b[3] == 0xFF || b[4] == 0xFF) return 0;
    // The size is stored in four 7-bit groups, so it never contains a sync pattern.
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (b[static_cast<std::size_t>(i)] & 0x80) return 0;
        size = (size << 7) | b[static_cast<std::size_t>(i)];
    }
    const bool footer = (b[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

std::optional<Mp3Start> FindFirstMp3Frame(std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
        const auto header = ParseMp3FrameHeader(bytes.subspan(at));
        if (!header) continue;
        const std::size_t next = at + static_cast<std::size_t>(header->frameBytes);
        if (next + 4 <= bytes.size()) {
            const auto following = ParseMp3FrameHeader(bytes.subspan(next));
            if (!following || following->mpegVersion != header->mpegVersion ||
                following->sampleRate != header->sampleRate)
                continue;
        }
        return Mp3Start{at, *header};
    }
    return std::nullopt;
}

}  // namespace lumeno
