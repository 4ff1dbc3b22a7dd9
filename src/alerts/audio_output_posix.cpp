// The default audio output on POSIX: ALSA's "default" device.
//
// ALSA directly rather than a sound server's API: it is the one interface every Linux
// desktop answers (PulseAudio and PipeWire through their ALSA plugins), and its
// configuration can route the output to a file, which the tests use.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "alerts/decoding_backend.h"

namespace lumeno {

namespace {

// A missing device or plugin must not print anything either.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const {
        snd_pcm_drop(pcm);  // no waiting for what is still queued
        snd_pcm_close(pcm);
    }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

class AlsaOutput : public AudioOutput {
  public:
    AlsaOutput(PcmHandle pcm, PcmFormat format, snd_pcm_uframes_t period)
        : pcm_(std::move(pcm)), format_(format), period_(period) {}

    bool Write(std::span<const std::byte> samples, std::stop_token stop) override {
        const auto frameBytes = static_cast<std::size_t>(format_.BytesPerFrame());
        snd_pcm_uframes_t left = samples.size() / frameBytes;
        const std::byte* at = samples.data();
        // One period at a time, so a stop waits for one period at most.
        while (left > 0) {
            if (stop.stop_requested()) return false;
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm_.get(), at, std::min(left, period_));
            if (n < 0) {
                // An underrun (the decoder fell behind) or a suspend: resume and go on.
                if (snd_pcm_recover(pcm_.get(), static_cast<int>(n), 1) < 0) return false;
                continue;
            }
            left -= static_cast<snd_pcm_uframes_t>(n);
            at += static_cast<std::size_t>(n) * frameBytes;
        }
        return true;
    }

    void Drain(std::stop_token stop) override {
        // What is queued is at most the device buffer, a tenth of a second: a stop that
        // arrives during the drain finds the sound ending by itself.
        if (!stop.stop_requested()) snd_pcm_drain(pcm_.get());
    }

  private:
    PcmHandle pcm_;
    PcmFormat format_;
    snd_pcm_uframes_t period_;
};

// The device buffer: short, so the sound stops soon after a stop, yet long enough that a
// busy machine does not starve it.
constexpr unsigned kLatencyMicroseconds = 100'000;

}  // namespace

std::unique_ptr<AudioOutput> OpenDefaultAudioOutput(PcmFormat format) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(SilentAlsaError); });

    snd_pcm_t* raw = nullptr;
    // Non-blocking open: a device held by another program fails at once instead of
    // waiting; writes block again afterwards.
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return nullptr;
    PcmHandle pcm(raw);
    if (snd_pcm_nonblock(pcm.get(), 0) < 0) return nullptr;
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(format.channels),
                           static_cast<unsigned>(format.sampleRate), 1, kLatencyMicroseconds) < 0)
        return nullptr;
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_uframes_t period = 0;
    if (snd_pcm_get_params(pcm.get(), &buffer, &period) < 0 || period == 0)
        period = static_cast<snd_pcm_uframes_t>(format.sampleRate / 50);
    return std::make_unique<AlsaOutput>(std::move(pcm), format, period);
}

}  // namespace lumeno
