// gb18030 (and GBK, which shares this decoder): one, two and four-byte sequences.
#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/two_byte_decoding.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {

void decode_gb18030(std::string_view bytes, std::string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    out.reserve(out.size() + size);
    unsigned first = 0;
    unsigned second = 0;
    unsigned third = 0;
    std::size_t i = 0;
    while (i < size) {
        const unsigned byte = data[i];
        if (third != 0) {
            if (byte < 0x30 || byte > 0x39) {
                // The second, third and this byte are read again.
                i -= 2;
                first = second = third = 0;
                append_replacement(out);
                continue;
            }
            const std::size_t pointer =
                (((first - 0x81) * 10 + second - 0x30) * 126 + third - 0x81) * 10 + byte - 0x30;
            first = second = third = 0;
            ++i;
            const char32_t code_point = gb18030_ranges_code_point(pointer);
            if (code_point == 0) {
                append_replacement(out);
            } else {
                append_utf8(out, code_point);
            }
            continue;
        }
        if (second != 0) {
            if (byte >= 0x81 && byte <= 0xFE) {
                third = byte;
                ++i;
                continue;
            }
            // The second and this byte are read again.
            i -= 1;
            first = second = 0;
            append_replacement(out);
            continue;
        }
        if (first != 0) {
            if (byte >= 0x30 && byte <= 0x39) {
                second = byte;
                ++i;
                continue;
            }
            const unsigned lead = first;
            first = 0;
            char32_t code_point = 0;
            if ((byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE)) {
                const unsigned offset = byte < 0x7F ? 0x40 : 0x41;
                code_point = gb18030_code_point((lead - 0x81) * 190 + (byte - offset));
            }
            if (end_pair(append_code_point(out, code_point), byte, out)) ++i;
            continue;
        }
        ++i;
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
        } else if (byte == 0x80) {
            append_utf8(out, 0x20AC);
        } else if (byte <= 0xFE) {
            first = byte;
        } else {
            append_replacement(out);
        }
    }
    if (first != 0 || second != 0 || third != 0) append_replacement(out);
}

}  // namespace kestrova::encoding
