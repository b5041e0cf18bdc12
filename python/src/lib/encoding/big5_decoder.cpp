#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/two_byte_decoding.hpp"
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
    decode_two_byte(
        bytes, out, [](unsigned byte) { return byte >= 0x81 && byte <= 0xFE; },
        [](unsigned lead, unsigned trail, std::string& text) {
            if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE))) {
                return false;
            }
            const unsigned offset = trail < 0x7F ? 0x40 : 0x62;
            const std::size_t pointer = (lead - 0x81) * 157 + (trail - offset);
            return append_combined(pointer, text) ||
                   append_code_point(text, big5_code_point(pointer));
        },
        append_ascii_or_replacement);
}

}  // namespace kestrova::encoding
