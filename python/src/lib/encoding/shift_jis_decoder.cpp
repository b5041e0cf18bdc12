#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

// Pointers of the user-defined area, decoded into the private use area.
constexpr std::size_t kFirstUserDefined = 8836;
constexpr std::size_t kLastUserDefined = 10715;

}  // namespace

void decode_shift_jis(std::string_view bytes, std::string& out) {
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
            char32_t code_point = 0;
            if ((byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC)) {
                const unsigned offset = byte < 0x7F ? 0x40 : 0x41;
                const unsigned lead_offset = previous < 0xA0 ? 0x81 : 0xC1;
                const std::size_t pointer = (previous - lead_offset) * 188 + byte - offset;
                code_point = pointer >= kFirstUserDefined && pointer <= kLastUserDefined
                                 ? static_cast<char32_t>(0xE000 + pointer - kFirstUserDefined)
                                 : jis0208_code_point(pointer);
            }
            if (code_point != 0) {
                append_utf8(out, code_point);
                ++i;
                continue;
            }
            append_replacement(out);
            if (byte >= 0x80) ++i;  // an ASCII byte is read again
            continue;
        }
        ++i;
        if (byte <= 0x80) {
            append_utf8(out, byte);
        } else if (byte >= 0xA1 && byte <= 0xDF) {
            append_utf8(out, 0xFF61 - 0xA1 + byte);
        } else if ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) {
            lead = byte;
        } else {
            append_replacement(out);
        }
    }
    if (lead != 0) append_replacement(out);
}

}  // namespace kestrova::encoding
