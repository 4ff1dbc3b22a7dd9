// MPEG audio Layer III frame headers and ID3v2 tags: what a codec must be told up front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace lumeno {

struct Mp3FrameHeader {
    int mpegVersion = 1;  // 1, 2, or 25 for MPEG 2.5
    int bitrateKbps = 0;
    int sampleRate = 0;
    int channels = 0;
    bool padding = false;
    int frameBytes = 0;       // the whole frame, header included
    int samplesPerFrame = 0;  // per channel
};

// The header at the start of bytes (at least 4), or nullopt when those bytes are not a
// Layer III frame header with a usable bitrate and sample rate.
[[nodiscard]] std::optional<Mp3FrameHeader> ParseMp3FrameHeader(
    std::span<const std::uint8_t> bytes);

// The size of the ID3v2 tag at the start of bytes (footer included), 0 when none is there.
// Needs the tag's first 10 bytes.
[[nodiscard]] std::size_t Id3v2TagSize(std::span<const std::uint8_t> bytes);

struct Mp3Start {
    std::size_t offset = 0;  // of the first frame, within the bytes searched
    Mp3FrameHeader header;
};

// The first frame in bytes. A candidate counts when the next frame's header follows right
// after it, with the same version and sample rate, or when bytes end before that point;
// this keeps a stray sync pattern in junk or in a picture from passing for audio.
[[nodiscard]] std::optional<Mp3Start> FindFirstMp3Frame(std::span<const std::uint8_t> bytes);

}  // namespace lumeno
