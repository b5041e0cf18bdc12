#include "vibe/unicode_whitespace.hpp"

namespace kestrova {

std::size_t whitespace_length(std::string_view text, std::size_t pos) {
    const std::size_t left = text.size() - pos;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char b0 = byte(0);
    if (b0 == 0x20 || (b0 >= 0x09 && b0 <= 0x0D)) return 1;
    if (b0 == 0xC2) {
        // U+0085, U+00A0
        return left >= 2 && (byte(1) == 0x85 || byte(1) == 0xA0) ? 2 : 0;
    }
    if (left < 3) return 0;
    const unsigned char b1 = byte(1);
    const unsigned char b2 = byte(2);
    switch (b0) {
        case 0xE1:  // U+1680
            return b1 == 0x9A && b2 == 0x80 ? 3 : 0;
        case 0xE2:
            if (b1 == 0x80) {
                // U+2000..U+200A, U+2028, U+2029, U+202F
                const bool space =
                    (b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF;
                return space ? 3 : 0;
            }
            return b1 == 0x81 && b2 == 0x9F ? 3 : 0;  // U+205F
        case 0xE3:                                    // U+3000
            return b1 == 0x80 && b2 == 0x80 ? 3 : 0;
        default:
            return 0;
    }
}

std::string_view trim_whitespace(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t n = whitespace_length(text, begin);
        if (n == 0) break;
        begin += n;
    }
    // Trailing whitespace: scan forward and remember where the last non-space ended,
    // since UTF-8 cannot be matched reliably from the back.
    std::size_t end = begin;
    std::size_t pos = begin;
    while (pos < text.size()) {
        const std::size_t n = whitespace_length(text, pos);
        if (n == 0) {
            ++pos;
            end = pos;
        } else {
            pos += n;
        }
    }
    return text.substr(begin, end - begin);
}

}  // namespace kestrova
