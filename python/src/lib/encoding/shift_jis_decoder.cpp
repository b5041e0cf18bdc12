#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/two_byte_decoding.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

// Pointers of the user-defined area, decoded into the private use area.
constexpr std::size_t kFirstUserDefined = 8836;
constexpr std::size_t kLastUserDefined = 10715;

}  // namespace

void decode_shift_jis(std::string_view bytes, std::string& out) {
    decode_two_byte(
        bytes, out,
        [](unsigned byte) {
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        },
        [](unsigned lead, unsigned trail, std::string& text) {
            if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC))) {
                return false;
            }
            const unsigned offset = trail < 0x7F ? 0x40 : 0x41;
            const unsigned lead_offset = lead < 0xA0 ? 0x81 : 0xC1;
            const std::size_t pointer = (lead - lead_offset) * 188 + trail - offset;
            return append_code_point(
                text, pointer >= kFirstUserDefined && pointer <= kLastUserDefined
                          ? static_cast<char32_t>(0xE000 + pointer - kFirstUserDefined)
                          : jis0208_code_point(pointer));
        },
        [](unsigned byte, std::string& text) {
            if (byte <= 0x80) {
                append_utf8(text, byte);
            } else if (byte >= 0xA1 && byte <= 0xDF) {
                append_utf8(text, 0xFF61 - 0xA1 + byte);
            } else {
                append_replacement(text);
            }
        });
}

}  // namespace kestrova::encoding
