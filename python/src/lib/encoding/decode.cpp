#include "encoding/decode.hpp"

#include "encoding/content_type.hpp"
#include "encoding/decoders.hpp"
#include "encoding/labels.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

Encoding encoding_from_header(std::optional<std::string_view> content_type) {
    if (!content_type) return Encoding::Utf8;
    const std::optional<std::string> charset = charset_parameter(*content_type);
    if (!charset) return Encoding::Utf8;
    return encoding_for_label(*charset).value_or(Encoding::Utf8);
}

}  // namespace

void decode_as(Encoding encoding, std::string_view bytes, std::string& out) {
    switch (encoding) {
        case Encoding::Utf8:
            decode_utf8(bytes, out);
            return;
        case Encoding::Utf16Be:
            decode_utf16(bytes, true, out);
            return;
        case Encoding::Utf16Le:
            decode_utf16(bytes, false, out);
            return;
        case Encoding::Gbk:
        case Encoding::Gb18030:
            decode_gb18030(bytes, out);
            return;
        case Encoding::Big5:
            decode_big5(bytes, out);
            return;
        case Encoding::EucJp:
            decode_euc_jp(bytes, out);
            return;
        case Encoding::Iso2022Jp:
            decode_iso_2022_jp(bytes, out);
            return;
        case Encoding::ShiftJis:
            decode_shift_jis(bytes, out);
            return;
        case Encoding::EucKr:
            decode_euc_kr(bytes, out);
            return;
        case Encoding::Replacement:
            if (!bytes.empty()) append_replacement(out);
            return;
        case Encoding::XUserDefined:
            decode_x_user_defined(bytes, out);
            return;
        default:
            decode_single_byte(encoding, bytes, out);
            return;
    }
}

std::string decode_body(std::string_view body, std::optional<std::string_view> content_type) {
    Encoding encoding = encoding_from_header(content_type);
    // A byte-order mark outranks the label and is not part of the text.
    if (body.starts_with("\xEF\xBB\xBF")) {
        encoding = Encoding::Utf8;
        body.remove_prefix(3);
    } else if (body.starts_with("\xFE\xFF")) {
        encoding = Encoding::Utf16Be;
        body.remove_prefix(2);
    } else if (body.starts_with("\xFF\xFE")) {
        encoding = Encoding::Utf16Le;
        body.remove_prefix(2);
    }
    std::string text;
    decode_as(encoding, body, text);
    return text;
}

}  // namespace kestrova::encoding
