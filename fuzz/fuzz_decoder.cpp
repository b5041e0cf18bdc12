// Answer bodies and Content-Type values: decoding never fails and always gives UTF-8,
// and without a Content-Type a body that already is UTF-8 comes back unchanged
// (less a leading byte-order mark).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "encoding/decode.hpp"
#include "utf8_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Up to the first NUL: the Content-Type value ("\x01" alone: no header); then the body.
    // Without a NUL the whole input is a body without a header.
    const auto nul = input.find('\0');
    std::optional<std::string_view> content_type;
    std::string_view body = input;
    if (nul != std::string_view::npos) {
        const auto header = input.substr(0, nul);
        if (header != "\x01") content_type = header;
        body = input.substr(nul + 1);
    }
    const std::string decoded = kestrova::encoding::decode_body(body, content_type);
    if (!kestrova::fuzz::valid_utf8(decoded)) std::abort();

    if (!content_type && kestrova::fuzz::valid_utf8(body)) {
        std::string_view expected = body;
        if (expected.starts_with("\xEF\xBB\xBF")) expected.remove_prefix(3);
        if (decoded != expected) std::abort();
    }
    return 0;
}
