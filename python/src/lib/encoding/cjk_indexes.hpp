// The pointer -> code point indexes of the multi-byte encodings. Each lookup gives
// 0 where the index has no code point for the pointer.
#pragma once

#include <cstddef>

namespace kestrova::encoding {

char32_t jis0208_code_point(std::size_t pointer);
char32_t jis0212_code_point(std::size_t pointer);
char32_t euc_kr_code_point(std::size_t pointer);
char32_t big5_code_point(std::size_t pointer);
// Two-byte pointers.
char32_t gb18030_code_point(std::size_t pointer);
// Four-byte pointers, ranges and the supplementary planes included.
char32_t gb18030_ranges_code_point(std::size_t pointer);

}  // namespace kestrova::encoding
