// A sound back-end that plays nothing but records what it was asked to play, and how
// each playback ended.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "alerts/sound_backend.h"

namespace lumeno::test {

class RecordingBackend : public SoundBackend {
  public:
    struct Playback {
        std::string name;
        bool opened = false;   // false: the open failed
        bool stopped = false;  // cut off before its end
        bool ended = false;    // PlayToEnd has returned
    };

    // Each name "plays" for its duration (default 20 ms); names in failing cannot open.
    std::map<std::string, std::chrono::milliseconds> durations;
    std::vector<std::string> failing;
    // When set, every Open waits until ReleaseOpens().
    bool holdOpens = false;

    std::unique_ptr<SoundStream> Open(const TextValue& path) override;

    void ReleaseOpens();
    // Waits until count playbacks have been recorded.
    bool WaitForPlaybacks(std::size_t count, std::chrono::milliseconds timeout);
    [[nodiscard]] std::vector<Playback> Playbacks();
    [[nodiscard]] std::vector<std::string> OpenedNames();

  private:
    friend class RecordedStream;
    void MarkEnded(std::size_t index, bool stopped);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    std::vector<Playback> playbacks_;
};

}  // namespace lumeno::test
