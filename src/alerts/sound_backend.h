// The sound port: play one file to its end, stoppable at once, failing silently.
#pragma once

#include <memory>
#include <stop_token>

#include "text/values.h"

namespace lumeno {

// One file, opened and ready to sound on the output device.
class SoundStream {
  public:
    virtual ~SoundStream() = default;  // releases the device, cutting any sound at once
    // Plays the file to its end on the calling thread. Returns early, within a few
    // milliseconds, once stop is requested. Errors end the playback silently.
    virtual void PlayToEnd(std::stop_token stop) = 0;
};

class SoundBackend {
  public:
    virtual ~SoundBackend() = default;
    // Opens the file, its decoder and the output device. Null when any of them cannot be
    // opened: a missing, locked or undecodable file, or no audio device. Called on the
    // player's worker thread; a back-end used by several players in turn must allow that.
    [[nodiscard]] virtual std::unique_ptr<SoundStream> Open(const TextValue& path) = 0;
};

// The system's back-end: the platform's MP3 decoder and default audio output.
[[nodiscard]] SoundBackend& SystemSoundBackend();

// The back-end the alert sound plays through: the system's, unless a test has put
// another in place for its scope. GUI thread only.
[[nodiscard]] SoundBackend& CurrentSoundBackend();

class ScopedSoundBackend {
  public:
    explicit ScopedSoundBackend(SoundBackend& backend);
    ~ScopedSoundBackend();  // stops the player first: it may be playing through this one
    ScopedSoundBackend(const ScopedSoundBackend&) = delete;
    ScopedSoundBackend& operator=(const ScopedSoundBackend&) = delete;

  private:
    SoundBackend* previous_;
};

}  // namespace lumeno
