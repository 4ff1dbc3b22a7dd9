// GBK <-> UTF-8 through iconv (glibc's GBK converter).
#include <iconv.h>

#include <cerrno>

#include "text/encoding.h"

namespace lumeno {

namespace {

// One conversion; a byte sequence the source charset cannot read is replaced and skipped.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view bad,
                    std::size_t badWidth) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[1024];
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a sequence cut at the end): replace and step over it.
        out.append(bad);
        const std::size_t skip = std::min(srcLeft, badWidth);
        src += skip;
        srcLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", 1); }

std::string Utf8ToGbk(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8, "?", 1); }

}  // namespace lumeno
