// An audio output that takes samples at the pace a sound card would, and keeps them.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "alerts/decoding_backend.h"

namespace lumeno::test {

// Every output opened from one PacedSink adds a segment: the format and the samples that
// were "heard" before the output was closed.
class PacedSink {
  public:
    struct Segment {
        PcmFormat format;
        std::string samples;
        bool drained = false;  // played to its end rather than cut off
    };

    [[nodiscard]] AudioOutputOpener Opener();
    [[nodiscard]] std::vector<Segment> Segments();

  private:
    friend class PacedOutput;
    std::mutex mutex_;
    std::vector<Segment> segments_;
};

}  // namespace lumeno::test
