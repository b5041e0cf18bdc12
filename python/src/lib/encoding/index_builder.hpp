// Builds a multi-byte index from an ICU converter plus a list of mends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrova::encoding {

// `count` consecutive pointers from `pointer` map to consecutive code points from
// `code_point`; a code point of 0 makes them all unmapped.
struct IndexMend {
    std::uint32_t pointer;
    char32_t code_point;
    std::uint32_t count;
};

struct IndexSource {
    const char* icu_name;
    std::size_t pointer_count;
    // Writes the byte sequence whose pointer is `pointer` in ICU's encoding.
    void (*bytes_for)(std::size_t pointer, std::string& bytes);
    // ICU gives private use code points where the index has none.
    bool private_use_is_unmapped;
    std::span<const IndexMend> mends;
};

std::vector<char32_t> build_index(const IndexSource& source);

inline char32_t index_lookup(const std::vector<char32_t>& index, std::size_t pointer) {
    return pointer < index.size() ? index[pointer] : 0;
}

}  // namespace kestrova::encoding
