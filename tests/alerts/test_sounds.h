// The MP3 files made for the tests at build time (make-test-sounds.sh).
#pragma once

#include <filesystem>
#include <string>

namespace lumeno::test {

struct TestSound {
    const char* file;
    int mpegVersion;
    int sampleRate;
    int channels;
    double seconds;
};

inline constexpr TestSound kTestSounds[] = {
    {"tone-22k-mono.mp3", 2, 22050, 1, 1.2},  // with an ID3v2 tag
    {"tone-44k-stereo.mp3", 1, 44100, 2, 0.8},
    {"tone-8k-mono.mp3", 25, 8000, 1, 1.0},
};

inline std::filesystem::path TestSoundPath(const char* file) {
    return std::filesystem::path(LUMENO_TEST_SOUNDS) / file;
}

// True when the build could make the files (sox and lame were there).
inline bool HaveTestSounds() {
    return std::filesystem::exists(TestSoundPath(kTestSounds[0].file));
}

}  // namespace lumeno::test
