// UTF-16LE and UTF-16BE by the Encoding Standard.
#include <cstddef>

#include "encoding/decoders.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {

void decode_utf16(std::string_view bytes, bool big_endian, std::string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    out.reserve(out.size() + size + size / 2);
    char32_t lead_surrogate = 0;  // 0 when none is pending
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        const char32_t unit = big_endian ? (char32_t{data[i]} << 8) | data[i + 1]
                                         : (char32_t{data[i + 1]} << 8) | data[i];
        if (lead_surrogate != 0) {
            const char32_t lead = lead_surrogate;
            lead_surrogate = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((lead - 0xD800) << 10) + (unit - 0xDC00));
                continue;
            }
            // An unpaired leading surrogate; the unit after it is decoded on its own.
            append_replacement(out);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            lead_surrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            append_replacement(out);
        } else {
            append_utf8(out, unit);
        }
    }
    // A pending surrogate and an odd last byte together make a single error.
    if (lead_surrogate != 0 || i < size) append_replacement(out);
}

}  // namespace kestrova::encoding
