// The euc-kr index is ICU's windows-949 (Unified Hangul Code) table, without the
// user-defined area ICU maps into the private use area.
#include <string>
#include <vector>

#include "encoding/cjk_indexes.hpp"
#include "encoding/index_builder.hpp"

namespace kestrova::encoding {
namespace {

void windows_949_bytes(std::size_t pointer, std::string& bytes) {
    bytes.push_back(static_cast<char>(0x81 + pointer / 190));
    bytes.push_back(static_cast<char>(0x41 + pointer % 190));
}

const std::vector<char32_t>& euc_kr_index() {
    static const std::vector<char32_t> index =
        build_index({"windows-949", 126 * 190, windows_949_bytes, true, {}});
    return index;
}

}  // namespace

char32_t euc_kr_code_point(std::size_t pointer) {
    return index_lookup(euc_kr_index(), pointer);
}

}  // namespace kestrova::encoding
