// Decoder + output = one playable file; and the system's sound back-end built from them.
#include "alerts/decoding_backend.h"

#include <array>

namespace lumeno {

namespace {

class DecodedStream : public SoundStream {
  public:
    DecodedStream(std::unique_ptr<Mp3Decoder> decoder, std::unique_ptr<AudioOutput> output)
        : decoder_(std::move(decoder)), output_(std::move(output)) {}

    void PlayToEnd(std::stop_token stop) override {
        // About 23 ms of 44.1 kHz stereo per step: a stop is seen well within that.
        std::array<std::byte, 4096> buffer;
        while (!stop.stop_requested()) {
            const std::size_t n = decoder_->Read(buffer);
            if (n == 0) {
                output_->Drain(stop);
                return;
            }
            if (!output_->Write(std::span(buffer).first(n), stop)) return;
        }
    }

  private:
    std::unique_ptr<Mp3Decoder> decoder_;
    std::unique_ptr<AudioOutput> output_;
};

}  // namespace

DecodingSoundBackend::DecodingSoundBackend(AudioOutputOpener open) : open_(std::move(open)) {}

std::unique_ptr<SoundStream> DecodingSoundBackend::Open(const TextValue& path) {
    std::unique_ptr<Mp3Decoder> decoder = OpenMp3Decoder(path);
    if (!decoder) return nullptr;
    std::unique_ptr<AudioOutput> output = open_(decoder->Format());
    if (!output) return nullptr;
    return std::make_unique<DecodedStream>(std::move(decoder), std::move(output));
}

SoundBackend& SystemSoundBackend() {
    static DecodingSoundBackend backend;  // stateless: every Open stands alone
    return backend;
}

}  // namespace lumeno
