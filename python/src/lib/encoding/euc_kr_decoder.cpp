#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/two_byte_decoding.hpp"

namespace kestrova::encoding {

void decode_euc_kr(std::string_view bytes, std::string& out) {
    decode_two_byte(
        bytes, out, [](unsigned byte) { return byte >= 0x81 && byte <= 0xFE; },
        [](unsigned lead, unsigned trail, std::string& text) {
            return trail >= 0x41 && trail <= 0xFE &&
                   append_code_point(text, euc_kr_code_point((lead - 0x81) * 190 + (trail - 0x41)));
        },
        append_ascii_or_replacement);
}

}  // namespace kestrova::encoding
