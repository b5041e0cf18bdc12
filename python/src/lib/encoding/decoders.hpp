// The decoders of every encoding. Each appends the decoded text to `out` as UTF-8;
// malformed input becomes U+FFFD. No byte-order mark is sniffed here.
#pragma once

#include <string>
#include <string_view>

#include "encoding/encoding.hpp"

namespace kestrova::encoding {

void decode_utf8(std::string_view bytes, std::string& out);
void decode_utf16(std::string_view bytes, bool big_endian, std::string& out);
void decode_single_byte(Encoding encoding, std::string_view bytes, std::string& out);
void decode_x_user_defined(std::string_view bytes, std::string& out);
void decode_gb18030(std::string_view bytes, std::string& out);
void decode_big5(std::string_view bytes, std::string& out);
void decode_euc_jp(std::string_view bytes, std::string& out);
void decode_iso_2022_jp(std::string_view bytes, std::string& out);
void decode_shift_jis(std::string_view bytes, std::string& out);
void decode_euc_kr(std::string_view bytes, std::string& out);

// Dispatches to the decoder of `encoding`; "replacement" turns a non-empty input
// into a single U+FFFD.
void decode_as(Encoding encoding, std::string_view bytes, std::string& out);

}  // namespace kestrova::encoding
