#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

// Four pointers decode to a letter followed by a combining mark.
bool append_combined(std::size_t pointer, std::string& out) {
    switch (pointer) {
        case 1133:
            append_utf8(out, 0x00CA);
            append_utf8(out, 0x0304);
            return true;
        case 1135:
            append_utf8(out, 0x00CA);
            append_utf8(out, 0x030C);
            return true;
        case 1164:
            append_utf8(out, 0x00EA);
            append_utf8(out, 0x0304);
            return true;
        case 1166:
            append_utf8(out, 0x00EA);
            append_utf8(out, 0x030C);
            return true;
        default:
            return false;
    }
}

}  // namespace

void decode_big5(std::string_view bytes, std::string& out) {
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
            if ((byte >= 0x40 && byte <= 0x7E) || (byte >= 0xA1 && byte <= 0xFE)) {
                const unsigned offset = byte < 0x7F ? 0x40 : 0x62;
                const std::size_t pointer = (previous - 0x81) * 157 + (byte - offset);
                if (append_combined(pointer, out)) {
                    ++i;
                    continue;
                }
                const char32_t code_point = big5_code_point(pointer);
                if (code_point != 0) {
                    append_utf8(out, code_point);
                    ++i;
                    continue;
                }
            }
            append_replacement(out);
            if (byte >= 0x80) ++i;  // an ASCII byte is read again
            continue;
        }
        ++i;
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
        } else if (byte >= 0x81 && byte <= 0xFE) {
            lead = byte;
        } else {
            append_replacement(out);
        }
    }
    if (lead != 0) append_replacement(out);
}

}  // namespace kestrova::encoding
