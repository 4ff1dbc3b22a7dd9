// The default audio output on Windows: waveOut on the wave mapper, fed a few short blocks.
#include <windows.h>
// After windows.h:
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "alerts/decoding_backend.h"
#include "alerts/pcm_format_win32.h"

namespace lumeno {

namespace {

class EventHandle {
  public:
    EventHandle() : h_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~EventHandle() {
        if (h_) CloseHandle(h_);
    }
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;
    [[nodiscard]] HANDLE Get() const { return h_; }

  private:
    HANDLE h_;
};

// Four blocks of 50 ms: the device always has one to play while the next is filled, and
// a stop is heard at once because waveOutReset drops every queued block.
constexpr std::size_t kBlocks = 4;
constexpr int kBlocksPerSecond = 20;
constexpr DWORD kStopPollMs = 5;

class WaveOutput : public AudioOutput {
  public:
    WaveOutput(std::unique_ptr<EventHandle> done, PcmFormat format)
        : done_(std::move(done)),
          blockBytes_(static_cast<std::size_t>(format.sampleRate / kBlocksPerSecond) *
                      static_cast<std::size_t>(format.BytesPerFrame())) {
        for (Block& b : blocks_) b.data.resize(blockBytes_);
    }

    // Opening is separate so that a failed open leaves nothing to close.
    bool Open(const WAVEFORMATEX& pcm) {
        return waveOutOpen(&wave_, WAVE_MAPPER, &pcm, reinterpret_cast<DWORD_PTR>(done_->Get()), 0,
                           CALLBACK_EVENT) == MMSYSERR_NOERROR;
    }

    ~WaveOutput() override {
        if (!wave_) return;
        waveOutReset(wave_);  // silence now; every queued block comes back marked done
        for (Block& b : blocks_)
            if (b.queued) waveOutUnprepareHeader(wave_, &b.header, sizeof b.header);
        waveOutClose(wave_);
    }

    bool Write(std::span<const std::byte> samples, std::stop_token stop) override {
        while (!samples.empty()) {
            Block& b = blocks_[current_];
            if (b.queued && !Reclaim(b, stop)) return false;
            const std::size_t n = std::min(samples.size(), blockBytes_ - fill_);
            std::memcpy(b.data.data() + fill_, samples.data(), n);
            fill_ += n;
            samples = samples.subspan(n);
            if (fill_ == blockBytes_ && !Submit()) return false;
        }
        return true;
    }

    void Drain(std::stop_token stop) override {
        if (fill_ > 0 && !Submit()) return;
        for (Block& b : blocks_)
            if (b.queued && !Reclaim(b, stop)) return;
    }

  private:
    struct Block {
        std::vector<char> data;
        WAVEHDR header{};
        bool queued = false;
    };

    // Hands the current block to the device and moves on to the next.
    bool Submit() {
        Block& b = blocks_[current_];
        b.header = WAVEHDR{};
        b.header.lpData = b.data.data();
        b.header.dwBufferLength = static_cast<DWORD>(fill_);
        if (waveOutPrepareHeader(wave_, &b.header, sizeof b.header) != MMSYSERR_NOERROR)
            return false;
        if (waveOutWrite(wave_, &b.header, sizeof b.header) != MMSYSERR_NOERROR) {
            waveOutUnprepareHeader(wave_, &b.header, sizeof b.header);
            return false;
        }
        b.queued = true;
        current_ = (current_ + 1) % kBlocks;
        fill_ = 0;
        return true;
    }

    // Waits until the device has played the block; false when stop came first.
    bool Reclaim(Block& b, std::stop_token stop) {
        // The device signals the event as each block finishes; the stop is looked at every
        // few milliseconds. (No std::stop_callback: removing one can hang in GCC 12's
        // MinGW library, libstdc++ bug 106183.)
        while (!(b.header.dwFlags & WHDR_DONE)) {
            if (stop.stop_requested()) return false;
            WaitForSingleObject(done_->Get(), kStopPollMs);
        }
        waveOutUnprepareHeader(wave_, &b.header, sizeof b.header);
        b.queued = false;
        return true;
    }

    std::unique_ptr<EventHandle> done_;
    std::size_t blockBytes_;
    std::array<Block, kBlocks> blocks_;
    std::size_t current_ = 0;
    std::size_t fill_ = 0;
    HWAVEOUT wave_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioOutput> OpenDefaultAudioOutput(PcmFormat format) {
    auto done = std::make_unique<EventHandle>();
    if (!done->Get()) return nullptr;
    const WAVEFORMATEX pcm = PcmWaveFormat(format);
    auto output = std::make_unique<WaveOutput>(std::move(done), format);
    // No device (or none for this format): nothing plays, nothing is said.
    if (!output->Open(pcm)) return nullptr;
    return output;
}

}  // namespace lumeno
