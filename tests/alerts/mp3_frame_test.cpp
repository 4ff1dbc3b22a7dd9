// Layer III frame headers, ID3v2 tag sizes and the search for the first real frame.
#include "alerts/mp3_frame.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "test_sounds.h"

namespace lumeno {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Mp3FrameHeader, ReadsVersionRateChannelsAndFrameSize) {
    struct Case {
        Bytes header;
        int version, kbps, rate, channels, frameBytes, samples;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 1, 128, 44100, 2, 417, 1152},  // joint stereo
        {{0xFF, 0xFB, 0x92, 0x64}, 1, 128, 44100, 2, 418, 1152},  // padded
        {{0xFF, 0xFB, 0xE4, 0xC0}, 1, 320, 48000, 1, 960, 1152},
        {{0xFF, 0xFA, 0x18, 0x00}, 1, 32, 32000, 2, 144, 1152},  // no CRC bit: still audio
        {{0xFF, 0xF3, 0x48, 0xC4}, 2, 32, 16000, 1, 144, 576},
        {{0xFF, 0xF3, 0x80, 0x00}, 2, 64, 22050, 2, 208, 576},
        {{0xFF, 0xE3, 0x18, 0xC4}, 25, 8, 8000, 1, 72, 576},
    };
    for (const Case& c : cases) {
        const auto h = ParseMp3FrameHeader(c.header);
        ASSERT_TRUE(h) << testing::PrintToString(c.header);
        EXPECT_EQ(h->mpegVersion, c.version);
        EXPECT_EQ(h->bitrateKbps, c.kbps);
        EXPECT_EQ(h->sampleRate, c.rate);
        EXPECT_EQ(h->channels, c.channels);
        EXPECT_EQ(h->frameBytes, c.frameBytes) << testing::PrintToString(c.header);
        EXPECT_EQ(h->samplesPerFrame, c.samples);
    }
}

TEST(Mp3FrameHeader, RejectsWhatIsNotAUsableLayerIIIHeader) {
    const Bytes cases[] = {
        {0xFF, 0xFD, 0x90, 0x64},  // Layer II
        {0xFF, 0xFF, 0x90, 0x64},  // Layer I
        {0xFF, 0xF9, 0x90, 0x64},  // reserved layer
        {0xFF, 0xEB, 0x90, 0x64},  // reserved version
        {0xFF, 0xFB, 0x00, 0x64},  // free format: no size to go by
        {0xFF, 0xFB, 0xF0, 0x64},  // bad bitrate
        {0xFF, 0xFB, 0x9C, 0x64},  // reserved sample rate
        {0xFE, 0xFB, 0x90, 0x64},  // sync bits missing
        {0xFF, 0x7B, 0x90, 0x64},
        {0xFF, 0xFB, 0x90},  // too short
        {},
    };
    for (const Bytes& b : cases) EXPECT_FALSE(ParseMp3FrameHeader(b)) << testing::PrintToString(b);
}

TEST(Id3v2TagSize, CountsHeaderBodyAndFooter) {
    struct Case {
        Bytes bytes;
        std::size_t size;
    };
    const Case cases[] = {
        {{'I', 'D', '3', 4, 0, 0x00, 0, 0, 2, 1}, 10 + 257},
        {{'I', 'D', '3', 4, 0, 0x10, 0, 0, 2, 1}, 10 + 257 + 10},  // footer present
        {{'I', 'D', '3', 3, 0, 0x00, 0x7F, 0x7F, 0x7F, 0x7F}, 10 + 0x0FFFFFFF},
        {{'I', 'D', '3', 3, 0, 0x00, 0, 0, 0x80, 0}, 0},  // not a 7-bit size: no tag
        {{'I', 'D', '3', 0xFF, 0, 0x00, 0, 0, 2, 1}, 0},
        {{'I', 'D', '2', 4, 0, 0x00, 0, 0, 2, 1}, 0},
        {{'I', 'D', '3', 4, 0, 0x00, 0, 0, 2}, 0},  // cut short
        {{0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0, 0, 0}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Id3v2TagSize(c.bytes), c.size) << testing::PrintToString(c.bytes);
}

// Three 144-byte MPEG-2 mono frames.
Bytes ThreeFrames() {
    Bytes frames;
    for (int i = 0; i < 3; ++i) {
        const Bytes header = {0xFF, 0xF3, 0x48, 0xC4};
        frames.insert(frames.end(), header.begin(), header.end());
        frames.insert(frames.end(), 140, 0x55);
    }
    return frames;
}

TEST(FindFirstMp3Frame, SkipsSyncPatternsThatAreNotFollowedByAFrame) {
    // Junk holding a complete-looking MPEG-1 header whose "next frame" is not there.
    Bytes bytes = {'j', 'u', 'n', 'k', 0xFF, 0xFB, 0x90, 0x64, 0xFF, 0xF3};
    const Bytes frames = ThreeFrames();
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    const auto start = FindFirstMp3Frame(bytes);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->offset, 10u);
    EXPECT_EQ(start->header.sampleRate, 16000);
}

TEST(FindFirstMp3Frame, TakesALoneFrameAtTheEndAndFindsNothingInJunk) {
    Bytes lone = {0, 0};
    const Bytes frames = ThreeFrames();
    lone.insert(lone.end(), frames.begin(), frames.begin() + 144);
    const auto start = FindFirstMp3Frame(lone);
    ASSERT_TRUE(start);  // nothing after it to check against: a one-frame file
    EXPECT_EQ(start->offset, 2u);

    EXPECT_FALSE(FindFirstMp3Frame(Bytes(1000, 0xFF)));
    EXPECT_FALSE(FindFirstMp3Frame(Bytes{'n', 'o', 't', ' ', 'm', 'p', '3'}));
    EXPECT_FALSE(FindFirstMp3Frame(Bytes{}));
}

TEST(FindFirstMp3Frame, ReadsTheFilesLameMakes) {
    if (!test::HaveTestSounds()) GTEST_SKIP() << "no test sounds (sox and lame missing)";
    for (const auto& sound : test::kTestSounds) {
        std::ifstream in(test::TestSoundPath(sound.file), std::ios::binary);
        const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const std::size_t tag = Id3v2TagSize(bytes);
        const auto start = FindFirstMp3Frame(std::span(bytes).subspan(tag));
        ASSERT_TRUE(start) << sound.file;
        EXPECT_EQ(start->offset, 0u) << sound.file;  // the audio follows the tag at once
        EXPECT_EQ(start->header.mpegVersion, sound.mpegVersion) << sound.file;
        EXPECT_EQ(start->header.sampleRate, sound.sampleRate) << sound.file;
        EXPECT_EQ(start->header.channels, sound.channels) << sound.file;
    }
}

}  // namespace
}  // namespace lumeno
