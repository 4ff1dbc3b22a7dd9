// The system's own sound output, end to end: PlayAlertSound with a real 1.mp3 on the
// default device, whose samples run-with-captured-audio.sh has routed to a file.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "alerts/decoding_backend.h"
#include "alerts/player.h"
#include "alerts/program_folder.h"
#include "alerts/sound.h"
#include "temp_folder.h"
#include "test_sounds.h"

namespace lumeno {
namespace {

using namespace std::chrono_literals;

TEST(SystemOutput, PlaysOneMp3TwiceOnTheDefaultDevice) {
    const char* capture = std::getenv("LUMENO_AUDIO_CAPTURE");
    if (!capture)
        GTEST_SKIP() << "run through run-with-captured-audio.sh (CTest alerts_captured_output)";
    if (!test::HaveTestSounds()) GTEST_SKIP() << "no test sounds (sox and lame missing)";

    const auto sound = test::TestSoundPath("tone-22k-mono.mp3");
    auto decoder = OpenMp3Decoder(TextValue(sound.string()));
    ASSERT_TRUE(decoder);
    std::size_t onePass = 0;
    std::array<std::byte, 4096> buffer;
    while (const std::size_t n = decoder->Read(buffer)) onePass += n;

    test::TempFolder folder;
    std::filesystem::copy_file(sound, folder.Path() / "1.mp3");
    SetProgramFolderForTesting(folder.AsText());
    PlayAlertSound();
    ASSERT_TRUE(WaitForPlayer(30s));
    StopPlayer();
    SetProgramFolderForTesting(TextValue());

    // captured.raw, then captured.raw.0001 and so on for each later open of the device.
    const std::filesystem::path base(capture);
    std::uintmax_t captured = 0;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(base.parent_path())) {
        if (entry.path().filename().string().rfind(base.filename().string(), 0) != 0) continue;
        captured += entry.file_size();
        ++files;
    }
    std::cout << "captured " << captured << " bytes in " << files << " file(s) ("
              << captured / (22050.0 * 2) << " s at 22050 Hz mono 16-bit); one pass decodes to "
              << onePass << " bytes\n";
    // Twice the file: every sample of both passes, give or take what a device keeps
    // back or pads at the ends.
    EXPECT_GE(captured, 2 * onePass - 4096);
    EXPECT_LE(captured, 2 * onePass + 2 * 8192);
}

}  // namespace
}  // namespace lumeno
