#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {

void decode_euc_kr(std::string_view bytes, std::string& out) {
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
            const char32_t code_point =
                byte >= 0x41 && byte <= 0xFE
                    ? euc_kr_code_point((previous - 0x81) * 190 + (byte - 0x41))
                    : 0;
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
