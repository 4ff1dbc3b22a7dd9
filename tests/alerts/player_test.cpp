// The player's rules, on a recording back-end: passes, order, empty names, cut-offs, and a
// call that returns once the first open is done.
#include "alerts/player.h"

#include <gtest/gtest.h>

#include "alerts/program_folder.h"
#include "alerts/sound.h"
#include "recording_backend.h"

namespace lumeno {
namespace {

using namespace std::chrono_literals;
using test::RecordingBackend;
using Names = std::vector<std::string>;

class PlayerTest : public ::testing::Test {
  protected:
    void TearDown() override { StopPlayer(); }

    // Waits for the current player to end by itself.
    static void Finish() { ASSERT_TRUE(WaitForPlayer(10s)); }

    RecordingBackend backend_;
};

TEST_F(PlayerTest, PlaysTheListFirstToLastForCountPasses) {
    struct Case {
        std::int32_t count;
        Names expected;
    };
    const Case cases[] = {
        {1, {"a", "b"}},
        {2, {"a", "b", "a", "b"}},
        {3, {"a", "b", "a", "b", "a", "b"}},
    };
    for (const Case& c : cases) {
        RecordingBackend backend;
        Play(backend, c.count, {"a", "b"});
        Finish();
        EXPECT_EQ(backend.OpenedNames(), c.expected) << "count " << c.count;
        for (const auto& p : backend.Playbacks()) EXPECT_FALSE(p.stopped) << p.name;
        StopPlayer();
    }
}

TEST_F(PlayerTest, EmptyNamesAreSkipped) {
    Play(backend_, 2, {"", "a", TextValue(), "b", ""});
    Finish();
    EXPECT_EQ(backend_.OpenedNames(), (Names{"a", "b", "a", "b"}));
}

TEST_F(PlayerTest, NothingLeftToPlayStillStopsThePreviousSound) {
    for (const auto& names :
         {std::initializer_list<TextValue>{}, std::initializer_list<TextValue>{"", TextValue()}}) {
        RecordingBackend backend;
        backend.durations["long"] = 60s;
        Play(backend, 2, {"long"});
        Play(backend, 2, names);
        // Stopped at once: the earlier player is gone before Play returns.
        const auto playbacks = backend.Playbacks();
        ASSERT_EQ(playbacks.size(), 1u);
        EXPECT_TRUE(playbacks[0].ended);
        EXPECT_TRUE(playbacks[0].stopped);
        EXPECT_TRUE(WaitForPlayer(0ms));  // no player left
    }
}

TEST_F(PlayerTest, SecondCallCutsTheFirstAndStartsAgainFromTwo) {
    backend_.durations["first"] = 60s;
    Play(backend_, 2, {"first"});
    Play(backend_, 2, {"second"});
    Finish();
    const auto playbacks = backend_.Playbacks();
    ASSERT_EQ(playbacks.size(), 3u);
    EXPECT_EQ(playbacks[0].name, "first");
    EXPECT_TRUE(playbacks[0].stopped);
    for (std::size_t i : {1u, 2u}) {
        EXPECT_EQ(playbacks[i].name, "second");
        EXPECT_FALSE(playbacks[i].stopped);
    }
}

TEST_F(PlayerTest, FilesThatCannotOpenAreSkippedSilently) {
    backend_.failing = {"missing"};
    Play(backend_, 2, {"missing", "a"});
    Finish();
    const auto playbacks = backend_.Playbacks();
    ASSERT_EQ(playbacks.size(), 4u);
    EXPECT_EQ(backend_.OpenedNames(), (Names{"missing", "a", "missing", "a"}));
    EXPECT_FALSE(playbacks[0].opened);
    EXPECT_TRUE(playbacks[1].opened);
}

TEST_F(PlayerTest, CountBelowOnePlaysUntilTheNextCall) {
    for (std::int32_t count : {0, -1}) {
        RecordingBackend backend;
        backend.durations["a"] = 1ms;
        Play(backend, count, {"a"});
        ASSERT_TRUE(backend.WaitForPlaybacks(5, 10s)) << count;
        EXPECT_FALSE(WaitForPlayer(0ms));  // still going
        StopPlayer();
    }
}

TEST_F(PlayerTest, EndlessPlayerWhoseFilesAllFailEndsItself) {
    backend_.failing = {"missing"};
    Play(backend_, 0, {"missing"});
    Finish();
    EXPECT_EQ(backend_.OpenedNames(), (Names{"missing"}));
}

TEST_F(PlayerTest, CallReturnsOnceTheFirstFileIsOpen) {
    backend_.durations["a"] = 60s;
    Play(backend_, 2, {"a"});
    // Already opened when the call returns: the sound is under way.
    EXPECT_EQ(backend_.OpenedNames(), (Names{"a"}));
}

TEST_F(PlayerTest, DeviceThatHangsInItsOpenDoesNotHoldTheCaller) {
    backend_.holdOpens = true;
    Play(backend_, 2, {"a"});  // returns although the open has not finished
    EXPECT_TRUE(backend_.OpenedNames().empty());
    backend_.ReleaseOpens();
    Finish();
    EXPECT_EQ(backend_.OpenedNames(), (Names{"a", "a"}));
}

TEST_F(PlayerTest, PlayerStaysAfterItsSoundHasEnded) {
    Play(backend_, 1, {"a"});
    Finish();
    // A finished player is harmless; the next call replaces it as usual.
    Play(backend_, 1, {"b"});
    Finish();
    EXPECT_EQ(backend_.OpenedNames(), (Names{"a", "b"}));
}

TEST(PlayAlertSound, PlaysOneMp3BesideTheProgramTwice) {
    // A forward slash after the folder, whatever the platform; a drive's root included.
    for (const char* folder : {R"(C:\tools)", "C:", "/opt/lumeno"}) {
        RecordingBackend backend;
        ScopedSoundBackend scoped(backend);
        SetProgramFolderForTesting(folder);
        PlayAlertSound();
        ASSERT_TRUE(WaitForPlayer(10s));
        const std::string path = std::string(folder) + "/1.mp3";
        EXPECT_EQ(backend.OpenedNames(), (Names{path, path}));
    }
    SetProgramFolderForTesting(TextValue());
}

}  // namespace
}  // namespace lumeno
