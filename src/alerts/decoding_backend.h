// A sound back-end made of an MP3 decoder and a PCM output, each from the platform.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>

#include "alerts/sound_backend.h"
#include "text/values.h"

namespace lumeno {

// Interleaved signed 16-bit little-endian samples.
struct PcmFormat {
    int sampleRate = 0;
    int channels = 0;
    [[nodiscard]] int BytesPerFrame() const { return 2 * channels; }
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

class Mp3Decoder {
  public:
    virtual ~Mp3Decoder() = default;
    [[nodiscard]] virtual PcmFormat Format() const = 0;
    // Fills out with the next samples, whole frames only; 0 at the end of the audio or at
    // an error that ends it.
    [[nodiscard]] virtual std::size_t Read(std::span<std::byte> out) = 0;
};

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;  // drops whatever is still queued: silence at once
    // Queues the samples, waiting while the device is full. False when the device failed
    // or stop was requested; the playback then ends.
    [[nodiscard]] virtual bool Write(std::span<const std::byte> samples, std::stop_token stop) = 0;
    // Waits until everything queued has been heard, or stop is requested.
    virtual void Drain(std::stop_token stop) = 0;
};

// The platform's decoder for an MP3 file; null when the file cannot be opened or holds no
// MPEG audio it can decode.
[[nodiscard]] std::unique_ptr<Mp3Decoder> OpenMp3Decoder(const TextValue& path);

// The platform's default audio output, opened for format; null when there is none.
[[nodiscard]] std::unique_ptr<AudioOutput> OpenDefaultAudioOutput(PcmFormat format);

using AudioOutputOpener = std::function<std::unique_ptr<AudioOutput>(PcmFormat)>;

// Decodes with OpenMp3Decoder and plays on the outputs that open gives.
class DecodingSoundBackend : public SoundBackend {
  public:
    explicit DecodingSoundBackend(AudioOutputOpener open = OpenDefaultAudioOutput);
    [[nodiscard]] std::unique_ptr<SoundStream> Open(const TextValue& path) override;

  private:
    AudioOutputOpener open_;
};

}  // namespace lumeno
