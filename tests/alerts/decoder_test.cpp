// The platform's MP3 decoder on real files, and the player with the real decoder on a
// sink that takes samples in real time: two passes, and a cut-off by the next call.
#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "alerts/decoding_backend.h"
#include "alerts/player.h"
#include "alerts/program_folder.h"
#include "alerts/sound.h"
#include "paced_sink.h"
#include "temp_folder.h"
#include "test_sounds.h"

namespace lumeno {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

#define REQUIRE_TEST_SOUNDS() \
    if (!test::HaveTestSounds()) GTEST_SKIP() << "no test sounds (sox and lame missing)"

TextValue PathText(const std::filesystem::path& p) {
    return TextValue(p.string());
}

// Every sample of the file, as the decoder gives them.
std::string DecodeAll(Mp3Decoder& decoder) {
    std::string all;
    std::array<std::byte, 4096> buffer;
    while (const std::size_t n = decoder.Read(buffer))
        all.append(reinterpret_cast<const char*>(buffer.data()), n);
    return all;
}

double Seconds(std::size_t bytes, PcmFormat f) {
    return static_cast<double>(bytes) / f.BytesPerFrame() / f.sampleRate;
}

TEST(Mp3Decoder, DecodesEveryVersionToItsFormatAndLength) {
    REQUIRE_TEST_SOUNDS();
    for (const auto& sound : test::kTestSounds) {
        auto decoder = OpenMp3Decoder(PathText(test::TestSoundPath(sound.file)));
        ASSERT_TRUE(decoder) << sound.file;
        EXPECT_EQ(decoder->Format(), (PcmFormat{sound.sampleRate, sound.channels})) << sound.file;
        const double seconds = Seconds(DecodeAll(*decoder).size(), decoder->Format());
        // Some decoders keep the encoder's delay and padding: up to four frames more.
        const double frame = (sound.mpegVersion == 1 ? 1152.0 : 576.0) / sound.sampleRate;
        EXPECT_GE(seconds, sound.seconds - frame) << sound.file;
        EXPECT_LE(seconds, sound.seconds + 4 * frame) << sound.file;
        std::array<std::byte, 64> more;
        EXPECT_EQ(decoder->Read(more), 0u);  // stays at the end
    }
}

TEST(Mp3Decoder, FilesWithoutMpegAudioDoNotOpen) {
    TempFolder folder;
    test::WriteFileBytes(folder.Path() / "empty.mp3", "");
    test::WriteFileBytes(folder.Path() / "text.mp3", std::string(5000, 'x') + "not an mp3 at all");
    test::WriteFileBytes(folder.Path() / "zeros.mp3", std::string(20000, '\0'));
    std::filesystem::create_directory(folder.Path() / "folder.mp3");
    for (const char* name : {"missing.mp3", "empty.mp3", "text.mp3", "zeros.mp3", "folder.mp3"})
        EXPECT_FALSE(OpenMp3Decoder(PathText(folder.Path() / name))) << name;
    EXPECT_FALSE(OpenMp3Decoder(TextValue()));
}

TEST(Mp3Decoder, SkipsALargeTagFullOfSyncPatterns) {
    REQUIRE_TEST_SOUNDS();
    // A 30 KB ID3v2 tag (think of an album picture) whose body looks like frame headers.
    const std::string audio = test::ReadFileBytes(test::TestSoundPath("tone-44k-stereo.mp3"));
    std::string tagged("ID3\x03\x00\x00\x00\x01\x6A\x30", 10);  // 30000 in 7-bit groups
    for (int i = 0; i < 30000 / 4; ++i) tagged += "\xFF\xFB\x90\x64";
    TempFolder folder;
    test::WriteFileBytes(folder.Path() / "tagged.mp3", tagged + audio);

    auto plain = OpenMp3Decoder(PathText(test::TestSoundPath("tone-44k-stereo.mp3")));
    auto decoder = OpenMp3Decoder(PathText(folder.Path() / "tagged.mp3"));
    ASSERT_TRUE(plain);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->Format(), plain->Format());
    EXPECT_EQ(DecodeAll(*decoder), DecodeAll(*plain));
}

TEST(Mp3Decoder, TruncatedFilePlaysWhatIsThere) {
    REQUIRE_TEST_SOUNDS();
    const std::string whole = test::ReadFileBytes(test::TestSoundPath("tone-22k-mono.mp3"));
    TempFolder folder;
    test::WriteFileBytes(folder.Path() / "half.mp3", whole.substr(0, whole.size() / 2 + 7));
    auto decoder = OpenMp3Decoder(PathText(folder.Path() / "half.mp3"));
    ASSERT_TRUE(decoder);
    const double seconds = Seconds(DecodeAll(*decoder).size(), decoder->Format());
    EXPECT_GT(seconds, 0.3);
    EXPECT_LT(seconds, 0.9);
}

class RealDecoderPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_TEST_SOUNDS();
        auto decoder = OpenMp3Decoder(path_);
        ASSERT_TRUE(decoder);
        format_ = decoder->Format();
        onePass_ = DecodeAll(*decoder);
    }
    void TearDown() override { StopPlayer(); }

    const TextValue path_ = PathText(test::TestSoundPath("tone-22k-mono.mp3"));
    PcmFormat format_;
    std::string onePass_;
    test::PacedSink sink_;
    DecodingSoundBackend backend_{sink_.Opener()};
};

TEST_F(RealDecoderPlayerTest, OneCallPlaysTheFileTwiceBackToBack) {
    Play(backend_, 2, {path_});
    ASSERT_TRUE(WaitForPlayer(20s));
    const auto segments = sink_.Segments();
    ASSERT_EQ(segments.size(), 2u);
    for (const auto& s : segments) {
        EXPECT_EQ(s.format, format_);
        EXPECT_TRUE(s.drained);
        EXPECT_TRUE(s.samples == onePass_) << Seconds(s.samples.size(), format_) << " s";
    }
}

TEST_F(RealDecoderPlayerTest, SecondCallHalfASecondLaterCutsTheFirstAndPlaysTwiceFromTheStart) {
    Play(backend_, 2, {path_});
    std::this_thread::sleep_for(500ms);
    Play(backend_, 2, {path_});
    const auto cut = sink_.Segments();
    ASSERT_TRUE(WaitForPlayer(20s));
    const auto segments = sink_.Segments();
    ASSERT_EQ(segments.size(), 3u);

    // The first sound ended when the second call was made, not at its own end.
    EXPECT_FALSE(cut[0].drained);
    const double heard = Seconds(cut[0].samples.size(), format_);
    EXPECT_GT(heard, 0.3);
    EXPECT_LT(heard, 0.9 * Seconds(onePass_.size(), format_));
    EXPECT_EQ(onePass_.compare(0, cut[0].samples.size(), cut[0].samples), 0);
    // The second call's sound, twice in full, each from the first sample.
    for (std::size_t i : {1u, 2u}) {
        EXPECT_TRUE(segments[i].drained);
        EXPECT_TRUE(segments[i].samples == onePass_) << i;
    }
}

TEST(PlayAlertSound, WithoutOneMp3ReturnsAndPlaysNothing) {
    TempFolder folder;
    SetProgramFolderForTesting(folder.AsText());
    PlayAlertSound();  // the system's decoder and output
    EXPECT_TRUE(WaitForPlayer(5s));
    StopPlayer();
    SetProgramFolderForTesting(TextValue());
}

}  // namespace
}  // namespace lumeno
