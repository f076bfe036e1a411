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

Cp936Encoder::Cp936Encoder() {
    iconv_t cd = ::iconv_open("GBK", "UTF-32LE");
    converter_ = cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd;
}

Cp936Encoder::~Cp936Encoder() {
    if (converter_) ::iconv_close(static_cast<iconv_t>(converter_));
}

std::string Cp936Encoder::bytes(char32_t c) {
    if (!converter_) return {};
    auto cd = static_cast<iconv_t>(converter_);
    char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                  static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
    char out[8];
    char* from = in;
    std::size_t inLeft = sizeof in;
    char* to = out;
    std::size_t outLeft = sizeof out;
    if (::iconv(cd, &from, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return {};
    }
    return std::string(out, sizeof out - outLeft);
}

}  // namespace console
