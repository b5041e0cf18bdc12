#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/two_byte_decoding.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {

void decode_euc_jp(std::string_view bytes, std::string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    out.reserve(out.size() + size);
    unsigned lead = 0;
    bool jis0212 = false;
    std::size_t i = 0;
    while (i < size) {
        const unsigned byte = data[i];
        if (lead == 0x8E && byte >= 0xA1 && byte <= 0xDF) {
            lead = 0;
            append_utf8(out, 0xFF61 - 0xA1 + byte);
            ++i;
            continue;
        }
        if (lead == 0x8F && byte >= 0xA1 && byte <= 0xFE) {
            jis0212 = true;
            lead = byte;
            ++i;
            continue;
        }
        if (lead != 0) {
            const unsigned previous = lead;
            lead = 0;
            char32_t code_point = 0;
            if (previous >= 0xA1 && previous <= 0xFE && byte >= 0xA1 && byte <= 0xFE) {
                const std::size_t pointer = (previous - 0xA1) * 94 + byte - 0xA1;
                code_point = jis0212 ? jis0212_code_point(pointer) : jis0208_code_point(pointer);
            }
            jis0212 = false;
            if (end_pair(append_code_point(out, code_point), byte, out)) ++i;
            continue;
        }
        ++i;
        if (byte == 0x8E || byte == 0x8F || (byte >= 0xA1 && byte <= 0xFE)) {
            lead = byte;
        } else {
            append_ascii_or_replacement(byte, out);
        }
    }
    if (lead != 0) append_replacement(out);
}

}  // namespace kestrova::encoding
