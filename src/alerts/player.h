// The player: a list of files played first to last, a number of passes, on a worker thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

#include "alerts/sound_backend.h"
#include "text/values.h"

namespace lumeno {

class Player {
  public:
    // Starts the worker and returns once the first file and its device are open, or
    // have failed to open. names must hold at least one non-empty name.
    Player(SoundBackend& backend, std::vector<TextValue> names, std::int32_t count);
    // Stops the worker, cutting the sound at once, and waits for it to end.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Waits until the playback has ended by itself or timeout has passed; true if ended.
    bool WaitUntilFinished(std::chrono::milliseconds timeout);

  private:
    void Run(std::stop_token stop);
    void Signal(bool finished);

    SoundBackend& backend_;
    const std::vector<TextValue> names_;
    const std::int32_t count_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;   // the first open has been tried
    bool finished_ = false;  // the worker has nothing more to play
    std::jthread worker_;    // last: it starts once everything above exists
};

// Plays the non-empty names, first to last, count passes (count 0 or less: until the next
// call), through backend. The player of any earlier call is stopped and destroyed first,
// so its sound stops at once, even when this call has nothing to play. GUI thread only.
void Play(SoundBackend& backend, std::int32_t count, std::initializer_list<TextValue> names);

// Play through CurrentSoundBackend().
void Play(std::int32_t count, std::initializer_list<TextValue> names);

// Stops and destroys the current player, if any (shutdown and tests).
void StopPlayer();

// Waits until the current player has ended by itself; true at once when there is none.
bool WaitForPlayer(std::chrono::milliseconds timeout);

}  // namespace lumeno
