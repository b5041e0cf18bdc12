#include "encoding/index_builder.hpp"

#include "encoding/icu_lookup.hpp"

namespace kestrova::encoding {

std::vector<char32_t> build_index(const IndexSource& source) {
    std::vector<char32_t> index(source.pointer_count, 0);
    IcuLookup lookup(source.icu_name);
    std::string bytes;
    for (std::size_t pointer = 0; pointer < source.pointer_count; ++pointer) {
        bytes.clear();
        source.bytes_for(pointer, bytes);
        const char32_t code_point = lookup.code_point(bytes);
        if (source.private_use_is_unmapped && is_private_use(code_point)) continue;
        index[pointer] = code_point;
    }
    for (const IndexMend& mend : source.mends) {
        for (std::uint32_t i = 0; i < mend.count && mend.pointer + i < index.size(); ++i) {
            index[mend.pointer + i] = mend.code_point == 0 ? 0 : mend.code_point + i;
        }
    }
    return index;
}

}  // namespace kestrova::encoding
