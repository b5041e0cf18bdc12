// The Encoding Standard's jis0208 index through ICU's Shift_JIS (Windows-31J)
// converter, which adds only the user-defined area, in the private use area; its
// jis0212 index through ICU's EUC-JP converter, less a few IBM extensions.
#include <string>
#include <vector>

#include "encoding/cjk_indexes.hpp"
#include "encoding/index_builder.hpp"

namespace kestrova::encoding {
namespace {

void shift_jis_bytes(std::size_t pointer, std::string& bytes) {
    const std::size_t lead = pointer / 188;
    const std::size_t trail = pointer % 188;
    bytes.push_back(static_cast<char>(lead < 0x1F ? lead + 0x81 : lead + 0xC1));
    bytes.push_back(static_cast<char>(trail < 0x3F ? trail + 0x40 : trail + 0x41));
}

void euc_jp_jis0212_bytes(std::size_t pointer, std::string& bytes) {
    bytes.push_back(static_cast<char>(0x8F));
    bytes.push_back(static_cast<char>(0xA1 + pointer / 94));
    bytes.push_back(static_cast<char>(0xA1 + pointer % 94));
}

// IBM extensions ICU's EUC-JP carries after 0x8F 0xF3: Roman numerals and U+3231.
constexpr IndexMend kJis0212Mends[] = {{7708, 0, 20}, {7730, 0, 1}};

const std::vector<char32_t>& jis0208_index() {
    static const std::vector<char32_t> index =
        build_index({"Shift_JIS", 60 * 188, shift_jis_bytes, true, {}});
    return index;
}

const std::vector<char32_t>& jis0212_index() {
    static const std::vector<char32_t> index =
        build_index({"EUC-JP", 94 * 94, euc_jp_jis0212_bytes, true, kJis0212Mends});
    return index;
}

}  // namespace

char32_t jis0208_code_point(std::size_t pointer) {
    return index_lookup(jis0208_index(), pointer);
}

char32_t jis0212_code_point(std::size_t pointer) {
    return index_lookup(jis0212_index(), pointer);
}

}  // namespace kestrova::encoding
