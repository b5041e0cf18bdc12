// The shape the multi-byte decoders share: a lead byte waits for its trail byte,
// and a pair that decodes to nothing gives U+FFFD without swallowing an ASCII
// trail byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {

// Appends `code_point` unless it is 0 (the index has no character); returns
// whether it appended.
inline bool append_code_point(std::string& out, char32_t code_point) {
    if (code_point == 0) return false;
    append_utf8(out, code_point);
    return true;
}

// A byte read outside a sequence that starts none: ASCII stands for itself,
// anything else is an error.
inline void append_ascii_or_replacement(unsigned byte, std::string& out) {
    if (byte < 0x80) {
        out.push_back(static_cast<char>(byte));
    } else {
        append_replacement(out);
    }
}

// Ends the pair of a lead byte and `trail`; where it decoded to nothing, writes
// U+FFFD. Returns whether `trail` belongs to the pair: the ASCII trail byte of a
// failed pair does not, and is read again on its own.
inline bool end_pair(bool decoded, unsigned trail, std::string& out) {
    if (decoded) return true;
    append_replacement(out);
    return trail >= 0x80;
}

// Decodes an encoding of single bytes and lead/trail pairs.
// `is_lead(byte)`: whether `byte` starts a pair.
// `pair(lead, trail, out)`: appends the character of a pair; false where it has none.
// `single(byte, out)`: appends what any other byte stands for.
template <typename IsLead, typename Pair, typename Single>
void decode_two_byte(std::string_view bytes, std::string& out, IsLead is_lead, Pair pair,
                     Single single) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    out.reserve(out.size() + size);
    unsigned lead = 0;
    std::size_t i = 0;
    while (i < size) {
        const unsigned byte = data[i];
        if (lead != 0) {
            const unsigned previous = lead;
            lead = 0;
            if (end_pair(pair(previous, byte, out), byte, out)) ++i;
            continue;
        }
        ++i;
        if (is_lead(byte)) {
            lead = byte;
        } else {
            single(byte, out);
        }
    }
    if (lead != 0) append_replacement(out);
}

}  // namespace kestrova::encoding
