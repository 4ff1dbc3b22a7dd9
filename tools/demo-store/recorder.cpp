// Writes the raw-request recording, one flushed record per request.
#include "recorder.h"

#include <stdexcept>
#include <string>

namespace lumeno::demo_store {

Recorder::Recorder(const std::filesystem::path& file)
    : out_(file, std::ios::binary | std::ios::trunc) {
    if (!out_) throw std::runtime_error("cannot write the recording file " + file.string());
}

bool Recorder::Record(std::string_view raw) {
    std::lock_guard lock(mutex_);
    out_ << "--- request " << ++count_ << " (" << raw.size() << " bytes) ---\n";
    out_.write(raw.data(), static_cast<std::streamsize>(raw.size()));
    out_ << '\n';
    out_.flush();
    return static_cast<bool>(out_);
}

}  // namespace lumeno::demo_store
