// Decoding an answer body by the WHATWG Encoding Standard.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrova::encoding {

// The encoding named by Content-Type's charset, BOM sniffing, then the decoder.
// Never fails; the result is valid UTF-8.
std::string decode_body(std::string_view body, std::optional<std::string_view> content_type);

}  // namespace kestrova::encoding
