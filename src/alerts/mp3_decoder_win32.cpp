// MP3 decoding on Windows through the system's ACM MPEG Layer-3 codec.
//
// The codec must be told the stream's format before it sees a byte, so the file's first
// real frame header is found first (after any ID3v2 tags); from there the raw stream is
// fed to the codec in blocks and it keeps its own place across frames.
#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves mmsystem.h out; the ACM headers need it first.
#include <mmsystem.h>
// Then the codec's headers:
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "alerts/decoding_backend.h"
#include "alerts/file_handle_win32.h"
#include "alerts/mp3_frame.h"
#include "alerts/pcm_format_win32.h"
#include "alerts/program_folder_win32.h"

namespace lumeno {

namespace {

class AcmStream {
  public:
    explicit AcmStream(HACMSTREAM h) : h_(h) {}
    ~AcmStream() { acmStreamClose(h_, 0); }
    AcmStream(const AcmStream&) = delete;
    AcmStream& operator=(const AcmStream&) = delete;
    [[nodiscard]] HACMSTREAM Get() const { return h_; }

  private:
    HACMSTREAM h_;
};

// Reads up to size bytes; fewer only at the end of the file or on an error.
std::size_t ReadSome(HANDLE file, std::uint8_t* into, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(file, into + total, static_cast<DWORD>(size - total), &got, nullptr) ||
            got == 0)
            break;
        total += got;
    }
    return total;
}

constexpr std::size_t kFeedBytes = 4 * 1024;     // raw MP3 bytes per conversion at most
constexpr std::size_t kSearchBytes = 64 * 1024;  // where the first frame must show up

// Room for the PCM the codec can make of one feed: as many frames as the smallest frame
// at this rate (the lowest bitrate) fits into it, plus one partly buffered frame.
std::size_t DestinationSize(const Mp3FrameHeader& h) {
    const int lowestKbps = h.mpegVersion == 1 ? 32 : 8;
    const std::size_t smallestFrame =
        static_cast<std::size_t>(h.samplesPerFrame / 8 * lowestKbps * 1000 / h.sampleRate);
    return (kFeedBytes / smallestFrame + 2) * static_cast<std::size_t>(h.samplesPerFrame) * 2 *
           static_cast<std::size_t>(h.channels);
}

class AcmDecoder : public Mp3Decoder {
  public:
    AcmDecoder(std::unique_ptr<FileHandle> file, std::unique_ptr<AcmStream> stream,
               PcmFormat format, std::vector<std::uint8_t> source, std::size_t sourceFill,
               std::size_t destinationSize)
        : file_(std::move(file)),
          stream_(std::move(stream)),
          format_(format),
          source_(std::move(source)),
          sourceFill_(sourceFill),
          destination_(destinationSize) {}

    PcmFormat Format() const override { return format_; }

    std::size_t Read(std::span<std::byte> out) override {
        while (pending_ == 0) {
            if (finished_) return 0;
            Convert();
        }
        // Whole frames only; the codec's output always holds whole frames.
        const auto frame = static_cast<std::size_t>(format_.BytesPerFrame());
        std::size_t n = std::min(out.size(), pending_);
        n -= n % frame;
        if (n == 0) return 0;
        std::memcpy(out.data(), destination_.data() + offset_, n);
        offset_ += n;
        pending_ -= n;
        return n;
    }

  private:
    // One conversion: fills destination_ with what the codec makes of the buffered source.
    void Convert() {
        if (!fileEnded_ && sourceFill_ < kFeedBytes) {
            const std::size_t got =
                ReadSome(file_->Get(), source_.data() + sourceFill_, source_.size() - sourceFill_);
            sourceFill_ += got;
            fileEnded_ = sourceFill_ < source_.size();
        }
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = source_.data();
        const std::size_t feed = std::min(sourceFill_, kFeedBytes);
        header.cbSrcLength = static_cast<DWORD>(feed);
        header.pbDst = destination_.data();
        header.cbDstLength = static_cast<DWORD>(destination_.size());
        if (acmStreamPrepareHeader(stream_->Get(), &header, 0) != 0) {
            finished_ = true;
            return;
        }
        DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
        if (first_) flags |= ACM_STREAMCONVERTF_START;
        // With the last bytes of the file, the codec also gives what it still holds back.
        const bool last = fileEnded_ && feed == sourceFill_;
        if (last) flags = ACM_STREAMCONVERTF_END | (first_ ? ACM_STREAMCONVERTF_START : 0);
        const MMRESULT rc = acmStreamConvert(stream_->Get(), &header, flags);
        acmStreamUnprepareHeader(stream_->Get(), &header, 0);
        first_ = false;
        if (rc != 0) {
            finished_ = true;
            return;
        }
        const std::size_t used = std::min<std::size_t>(header.cbSrcLengthUsed, feed);
        std::memmove(source_.data(), source_.data() + used, sourceFill_ - used);
        sourceFill_ -= used;
        offset_ = 0;
        pending_ = header.cbDstLengthUsed;
        // Nothing taken and nothing made: the codec is done with this file, or refuses
        // its bytes, and more of them cannot help.
        if (used == 0 && pending_ == 0) finished_ = true;
    }

    std::unique_ptr<FileHandle> file_;
    std::unique_ptr<AcmStream> stream_;
    PcmFormat format_;
    std::vector<std::uint8_t> source_;
    std::size_t sourceFill_;
    std::vector<std::uint8_t> destination_;
    std::size_t offset_ = 0;
    std::size_t pending_ = 0;
    bool first_ = true;
    bool fileEnded_ = false;
    bool finished_ = false;
};

// Moves the file past every ID3v2 tag at its start; false on a read error.
bool SkipId3v2Tags(HANDLE file) {
    for (;;) {
        LARGE_INTEGER here{};
        if (!SetFilePointerEx(file, LARGE_INTEGER{}, &here, FILE_CURRENT)) return false;
        std::uint8_t head[10];
        const std::size_t got = ReadSome(file, head, sizeof head);
        const std::size_t tag = Id3v2TagSize(std::span(head, got));
        LARGE_INTEGER next{};
        next.QuadPart = here.QuadPart + static_cast<LONGLONG>(tag);
        if (!SetFilePointerEx(file, next, nullptr, FILE_BEGIN)) return false;
        if (tag == 0) return true;
    }
}

}  // namespace

std::unique_ptr<Mp3Decoder> OpenMp3Decoder(const TextValue& path) {
    if (path.IsEmpty()) return nullptr;
    // Shared for writing too: a player that has the file open does not stop us reading.
    auto file = std::make_unique<FileHandle>(
        CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file->IsOpen() || !SkipId3v2Tags(file->Get())) return nullptr;

    std::vector<std::uint8_t> start(kSearchBytes);
    start.resize(ReadSome(file->Get(), start.data(), start.size()));
    const auto first = FindFirstMp3Frame(start);
    if (!first) return nullptr;
    const Mp3FrameHeader& h = first->header;

    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(h.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(h.sampleRate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(h.bitrateKbps * 1000 / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    mp3.nBlockSize = static_cast<WORD>(h.frameBytes - (h.padding ? 1 : 0));
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 1393;  // what the codec itself reports for Layer III

    const PcmFormat format{h.sampleRate, h.channels};
    WAVEFORMATEX pcm = PcmWaveFormat(format);

    HACMSTREAM raw = nullptr;
    if (acmStreamOpen(&raw, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0) != 0) return nullptr;
    auto stream = std::make_unique<AcmStream>(raw);

    // The bytes read so far, from the first frame on, start the source buffer.
    std::vector<std::uint8_t> source(std::max(kFeedBytes, start.size()));
    const std::size_t fill = start.size() - first->offset;
    std::memcpy(source.data(), start.data() + first->offset, fill);
    return std::make_unique<AcmDecoder>(std::move(file), std::move(stream), format,
                                        std::move(source), fill, DestinationSize(h));
}

}  // namespace lumeno
