// The transparent send of Type B cards (reader command 0D): the frame that carries the
// operator's data bytes to the card, and the error texts of its replies.
#pragma once
#include <string>

namespace console {

// The frame is the data plus seven bytes and must stay within one frame.
inline constexpr int kMaxTransparentBytes = 248;

struct TransparentFrame {
    enum class Refusal {
        None,
        TooLong,    // more than kMaxTransparentBytes data bytes
        OddDigits,  // a hex digit without its pair
    };
    Refusal refusal = Refusal::None;
    int dataBytes = 0;  // N, the number of data bytes
    std::string text;   // "02" ADDR LEN "0D" N data-as-typed XOR "03"; empty when refused
};

// Builds the frame for `data` (hex digits, other characters ignored) at the reader address
// `address` (the list's text, read as a hex number). Data that would not make a whole,
// well-formed frame is refused and no text is built.
TransparentFrame transparentFrame(const std::string& address, const std::string& data);

// The transparent send's own message for an error code (characters 9-10 of the reply);
// empty for a code it lacks. Matched exactly, case included.
std::string transparentErrorText(const std::string& code);

}  // namespace console
