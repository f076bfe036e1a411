// Text in the readers' code page 936 (GBK, of which ASCII is a part), as the log pane shows it.
#pragma once
#include <optional>
#include <string>

namespace console {

// The bytes decoded from code page 936 into UTF-8; nothing when a byte sequence is not valid
// there (an incomplete character at the end included).
std::optional<std::string> decodeCp936(const std::string& bytes);

// Characters into code page 936, one at a time through one converter.
class Cp936Encoder {
public:
    Cp936Encoder();
    ~Cp936Encoder();
    Cp936Encoder(const Cp936Encoder&) = delete;
    Cp936Encoder& operator=(const Cp936Encoder&) = delete;

    // The character's bytes; empty when code page 936 has no such character.
    std::string bytes(char32_t c);

private:
    void* converter_;
};

}  // namespace console
