// The player's list-and-count rules, the same for every sound back-end.
#include "alerts/player.h"

#include <memory>

namespace lumeno {

namespace {

// How long a call waits for the first file and device to open. Opening takes a few
// milliseconds; the limit only keeps a device that hangs in its open from holding the
// window, and playback still begins whenever the device answers.
constexpr std::chrono::milliseconds kStartWait{250};

SoundBackend* g_backend = nullptr;  // null: the system's

std::unique_ptr<Player>& CurrentPlayer() {
    static std::unique_ptr<Player> player;  // GUI thread only; stopped at exit
    return player;
}

}  // namespace

Player::Player(SoundBackend& backend, std::vector<TextValue> names, std::int32_t count)
    : backend_(backend),
      names_(std::move(names)),
      count_(count),
      worker_([this](std::stop_token stop) { Run(stop); }) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kStartWait, [this] { return started_; });
}

Player::~Player() {
    worker_.request_stop();
    // jthread joins here; a back-end notices the stop within milliseconds.
}

bool Player::WaitUntilFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return finished_; });
}

void Player::Signal(bool finished) {
    {
        std::lock_guard lock(mutex_);
        started_ = true;
        finished_ = finished_ || finished;
    }
    changed_.notify_all();
}

void Player::Run(std::stop_token stop) {
    std::int32_t remaining = count_;
    for (;;) {
        bool playedAny = false;
        for (const TextValue& name : names_) {
            if (stop.stop_requested()) break;
            std::unique_ptr<SoundStream> stream = backend_.Open(name);
            Signal(false);
            if (!stream) continue;  // cannot be played: silently on to the next name
            playedAny = true;
            stream->PlayToEnd(stop);
        }
        // The pass is over: stop after the last one, otherwise start the list again.
        if (stop.stop_requested() || remaining == 1) break;
        if (remaining > 0) --remaining;
        // An endless player whose files all fail would spin; nothing can be heard anyway.
        if (remaining <= 0 && !playedAny) break;
    }
    Signal(true);
}

void Play(SoundBackend& backend, std::int32_t count, std::initializer_list<TextValue> names) {
    // The previous player goes first, whatever this call brings.
    CurrentPlayer().reset();
    std::vector<TextValue> kept;
    for (const TextValue& name : names)
        if (!name.IsEmpty()) kept.push_back(name);
    if (kept.empty()) return;
    CurrentPlayer() = std::make_unique<Player>(backend, std::move(kept), count);
}

void Play(std::int32_t count, std::initializer_list<TextValue> names) {
    Play(CurrentSoundBackend(), count, names);
}

SoundBackend& CurrentSoundBackend() {
    return g_backend ? *g_backend : SystemSoundBackend();
}

ScopedSoundBackend::ScopedSoundBackend(SoundBackend& backend) : previous_(g_backend) {
    g_backend = &backend;
}

ScopedSoundBackend::~ScopedSoundBackend() {
    StopPlayer();
    g_backend = previous_;
}

void StopPlayer() {
    CurrentPlayer().reset();
}

bool WaitForPlayer(std::chrono::milliseconds timeout) {
    return !CurrentPlayer() || CurrentPlayer()->WaitUntilFinished(timeout);
}

}  // namespace lumeno
