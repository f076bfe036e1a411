// A 32-bit millisecond tick counter that wraps like the Windows one; differences are taken
// as 32-bit signed values by the callers.
#pragma once
#include <cstdint>

namespace platform {
std::uint32_t tickCount();
}
