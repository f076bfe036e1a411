#include "core/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace console {

// glibc's converter, so that the result does not depend on how the toolkit was built.
std::optional<std::string> decodeCp936(const std::string& bytes) {
    iconv_t cd = ::iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(bytes.size() * 2 + 4, '\0');  // a GBK character never grows past 3 bytes
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    const bool ok = ::iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    ::iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace console
