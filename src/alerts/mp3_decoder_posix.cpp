// MP3 decoding on POSIX with libmpg123, always to signed 16-bit samples.
#include <mpg123.h>

#include <mutex>

#include "alerts/decoding_backend.h"

namespace lumeno {

namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

class Mpg123Decoder : public Mp3Decoder {
  public:
    Mpg123Decoder(Mpg123Handle handle, PcmFormat format)
        : handle_(std::move(handle)), format_(format) {}

    PcmFormat Format() const override { return format_; }

    std::size_t Read(std::span<std::byte> out) override {
        if (done_) return 0;
        std::size_t got = 0;
        const int rc = mpg123_read(handle_.get(), reinterpret_cast<unsigned char*>(out.data()),
                                   out.size(), &got);
        // A change of format in mid-file would need a new device: end the file there.
        // Any other error also ends it; what was decoded so far still plays.
        if (rc != MPG123_OK) done_ = true;
        if (rc == MPG123_NEW_FORMAT) got = 0;
        return got - got % static_cast<std::size_t>(format_.BytesPerFrame());
    }

  private:
    Mpg123Handle handle_;
    PcmFormat format_;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<Mp3Decoder> OpenMp3Decoder(const TextValue& path) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });  // needed by older libraries only

    Mpg123Handle handle(mpg123_new(nullptr, nullptr));
    if (!handle) return nullptr;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);  // an alert says nothing
    // Any rate and channel count, but always 16-bit samples.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    if (mpg123_open(handle.get(), path.CStr()) != MPG123_OK) return nullptr;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // Finds the first frame; a file without MPEG audio fails here.
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK) return nullptr;
    if (encoding != MPG123_ENC_SIGNED_16 || rate <= 0 || channels < 1) return nullptr;
    return std::make_unique<Mpg123Decoder>(std::move(handle),
                                           PcmFormat{static_cast<int>(rate), channels});
}

}  // namespace lumeno
