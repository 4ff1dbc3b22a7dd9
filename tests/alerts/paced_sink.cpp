// The paced sink: samples accepted no faster than real time, like a device with a short
// buffer, so a stop cuts the sound where a listener would hear it cut.
#include "paced_sink.h"

#include "stoppable_wait.h"

namespace lumeno::test {

namespace {
using Clock = std::chrono::steady_clock;
// How far ahead of the listener the "device" accepts samples.
constexpr std::chrono::milliseconds kBuffer{40};
}  // namespace

class PacedOutput : public AudioOutput {
  public:
    PacedOutput(PacedSink& sink, std::size_t index, PcmFormat format)
        : sink_(sink), index_(index), format_(format) {}

    bool Write(std::span<const std::byte> samples, std::stop_token stop) override {
        if (!WaitUntil(PlayedAt(queuedFrames_) - kBuffer, stop)) return false;
        std::lock_guard lock(sink_.mutex_);
        sink_.segments_[index_].samples.append(reinterpret_cast<const char*>(samples.data()),
                                               samples.size());
        queuedFrames_ += samples.size() / static_cast<std::size_t>(format_.BytesPerFrame());
        return true;
    }

    void Drain(std::stop_token stop) override {
        if (!WaitUntil(PlayedAt(queuedFrames_), stop)) return;
        std::lock_guard lock(sink_.mutex_);
        sink_.segments_[index_].drained = true;
    }

    ~PacedOutput() override {
        // Cut off: what was queued but not yet heard is dropped, as a device would.
        std::lock_guard lock(sink_.mutex_);
        auto& segment = sink_.segments_[index_];
        if (segment.drained) return;
        const auto heard = std::chrono::duration<double>(Clock::now() - start_).count();
        const auto frames = static_cast<std::size_t>(heard * format_.sampleRate);
        const auto bytes = frames * static_cast<std::size_t>(format_.BytesPerFrame());
        if (bytes < segment.samples.size()) segment.samples.resize(bytes);
    }

  private:
    [[nodiscard]] Clock::time_point PlayedAt(std::size_t frames) const {
        return start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                            static_cast<double>(frames) / format_.sampleRate));
    }
    static bool WaitUntil(Clock::time_point when, std::stop_token stop) {
        return WaitUntilUnlessStopped(when, stop);
    }

    PacedSink& sink_;
    std::size_t index_;
    PcmFormat format_;
    Clock::time_point start_ = Clock::now();
    std::size_t queuedFrames_ = 0;
};

AudioOutputOpener PacedSink::Opener() {
    return [this](PcmFormat format) -> std::unique_ptr<AudioOutput> {
        std::lock_guard lock(mutex_);
        segments_.push_back(Segment{format, {}, false});
        return std::make_unique<PacedOutput>(*this, segments_.size() - 1, format);
    };
}

std::vector<PacedSink::Segment> PacedSink::Segments() {
    std::lock_guard lock(mutex_);
    return segments_;
}

}  // namespace lumeno::test
