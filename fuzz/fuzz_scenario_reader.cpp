// Arbitrary bytes into the scenario reader: every outcome is a scenario or an error
// text that ends in its position.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "vibe/scenario_reader.hpp"

namespace {

bool ends_with_position(std::string_view text) {
    // "... at line L column C" with decimal L >= 1 and C >= 0.
    const auto at = text.rfind(" at line ");
    if (at == std::string_view::npos || at == 0) return false;
    std::string_view rest = text.substr(at + 9);
    std::size_t i = 0;
    while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') ++i;
    if (i == 0 || rest.substr(i, 8) != " column ") return false;
    rest.remove_prefix(i + 8);
    if (rest.empty()) return false;
    for (char c : rest) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = kestrova::read_scenario(text);
    if (result.schema.has_value() == !result.error.empty()) std::abort();
    if (!result.schema && !ends_with_position(result.error)) std::abort();
    return 0;
}
