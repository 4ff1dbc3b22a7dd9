// The recording sound back-end.
#include "recording_backend.h"

#include <algorithm>

#include "stoppable_wait.h"

namespace lumeno::test {

class RecordedStream : public SoundStream {
  public:
    RecordedStream(RecordingBackend& backend, std::size_t index, std::chrono::milliseconds length)
        : backend_(backend), index_(index), length_(length) {}

    void PlayToEnd(std::stop_token stop) override {
        // Sleeps out the file's length unless a stop comes first.
        const bool played =
            WaitUntilUnlessStopped(std::chrono::steady_clock::now() + length_, stop);
        backend_.MarkEnded(index_, !played);
    }

  private:
    RecordingBackend& backend_;
    std::size_t index_;
    std::chrono::milliseconds length_;
};

std::unique_ptr<SoundStream> RecordingBackend::Open(const TextValue& path) {
    std::unique_lock lock(mutex_);
    if (holdOpens) changed_.wait(lock, [this] { return released_; });
    const std::string name = path.Bytes();
    const bool fails = std::find(failing.begin(), failing.end(), name) != failing.end();
    playbacks_.push_back(Playback{name, !fails, false, fails});
    changed_.notify_all();
    if (fails) return nullptr;
    const auto it = durations.find(name);
    return std::make_unique<RecordedStream>(
        *this, playbacks_.size() - 1,
        it == durations.end() ? std::chrono::milliseconds(20) : it->second);
}

void RecordingBackend::ReleaseOpens() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

void RecordingBackend::MarkEnded(std::size_t index, bool stopped) {
    {
        std::lock_guard lock(mutex_);
        playbacks_[index].stopped = stopped;
        playbacks_[index].ended = true;
    }
    changed_.notify_all();
}

bool RecordingBackend::WaitForPlaybacks(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return playbacks_.size() >= count; });
}

std::vector<RecordingBackend::Playback> RecordingBackend::Playbacks() {
    std::lock_guard lock(mutex_);
    return playbacks_;
}

std::vector<std::string> RecordingBackend::OpenedNames() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const Playback& p : playbacks_) names.push_back(p.name);
    return names;
}

}  // namespace lumeno::test
