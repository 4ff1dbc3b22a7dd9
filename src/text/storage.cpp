// Result storage with the allocation-failure stop.
#include "text/storage.h"

#include <new>
#include <stdexcept>

#include "text/fatal.h"

namespace lumeno {

void ReserveOrFail(std::string& s, std::size_t n) {
    try {
        s.reserve(n);
    } catch (const std::bad_alloc&) {
        FatalOutOfMemory(static_cast<std::int64_t>(n));
    } catch (const std::length_error&) {
        FatalOutOfMemory(static_cast<std::int64_t>(n));
    }
}

void TextArray::Append(TextValue member) {
    if (members_.size() == members_.capacity()) {
        const std::size_t wanted = members_.empty() ? 4 : members_.size() * 2;
        try {
            members_.reserve(wanted);
        } catch (const std::bad_alloc&) {
            FatalOutOfMemory(static_cast<std::int64_t>(wanted * sizeof(TextValue)));
        } catch (const std::length_error&) {
            FatalOutOfMemory(static_cast<std::int64_t>(wanted * sizeof(TextValue)));
        }
    }
    members_.push_back(std::move(member));
}

std::string CopyBytes(std::string_view bytes) {
    std::string out;
    ReserveOrFail(out, bytes.size());
    out.assign(bytes);
    return out;
}

}  // namespace lumeno
