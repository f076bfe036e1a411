// What the fuzz targets share: a check that stops the run (libFuzzer then keeps the input as
// a reproducer) and small views of the input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace fuzz {

// Reads the input front to back; past its end every read gives zeros or nothing.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string bytes(std::size_t count) {
        std::size_t n = count < size_ - pos_ ? count : size_ - pos_;
        std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return out;
    }
    // Up to (not including) the next `stop` byte, which is consumed.
    std::string until(char stop) {
        std::string out;
        while (pos_ < size_ && data_[pos_] != static_cast<std::uint8_t>(stop))
            out.push_back(static_cast<char>(data_[pos_++]));
        if (pos_ < size_) ++pos_;
        return out;
    }
    std::string rest() { return bytes(size_ - pos_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace fuzz
