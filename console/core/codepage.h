// Text in the readers' code page 936 (GBK, of which ASCII is a part), as the log pane shows it.
#pragma once
#include <optional>
#include <string>

namespace console {

// The bytes decoded from code page 936 into UTF-8; nothing when a byte sequence is not valid
// there (an incomplete character at the end included).
std::optional<std::string> decodeCp936(const std::string& bytes);

}  // namespace console
