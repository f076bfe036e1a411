// The UHF module's frame layout, as the module and the tools that speak for it build it:
//   BB, type, command, parameter length (2 bytes, high first), parameters, SUM, 7E
// SUM is the low byte of the sum of the type through the last parameter byte.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace usb {

inline constexpr std::uint8_t kModuleHeader = 0xBB;
inline constexpr std::uint8_t kModuleEnd = 0x7E;

inline std::vector<std::uint8_t> buildModuleFrame(std::uint8_t type, std::uint8_t command,
                                                  std::span<const std::uint8_t> params) {
    std::vector<std::uint8_t> f;
    f.reserve(params.size() + 7);
    for (std::uint8_t b : {kModuleHeader, type, command, static_cast<std::uint8_t>(params.size() >> 8),
                           static_cast<std::uint8_t>(params.size())})
        f.push_back(b);
    for (std::uint8_t b : params) f.push_back(b);
    unsigned sum = 0;
    for (std::size_t i = 1; i < f.size(); ++i) sum += f[i];
    f.push_back(static_cast<std::uint8_t>(sum));
    f.push_back(kModuleEnd);
    return f;
}

}  // namespace usb
