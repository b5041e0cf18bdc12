// The whole local analysis on every scenario the reader accepts: the result always
// serialises, parses back as JSON, and a second run gives the same text.
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "local_execution.hpp"
#include "vibe/scenario_reader.hpp"

namespace {

// The strict reader takes any JSON value as a variable's initial value, so embedding the
// result document there checks that it is well-formed JSON.
bool parses_as_json(const std::string& text) {
    const std::string document =
        R"({"version":"1","metadata":{"name":"n"},"time":{"type":"discrete","horizon":0},)"
        R"("resources":{},"variables":{"v":{"type":"float","discretization":1,"initial":)" +
        text +
        R"(}},"actions":[],"transitions":[],"constraints":[],)"
        R"("goal":{"type":"threshold","conditions":[]}})";
    return kestrova::read_scenario(document).schema.has_value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte picks the budget: absent, or one of a few telling values.
    static constexpr double kBudgets[] = {0.0, 1.0, 2.5, 10.0, 40.0, -1.0, 1e308, -0.0};
    std::optional<double> budget;
    if (data[0] % 10 < 8) budget = kBudgets[data[0] % 10];
    if (data[0] % 10 == 9) budget = std::numeric_limits<double>::quiet_NaN();
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto read = kestrova::read_scenario(text);
    if (!read.schema) return 0;
    const auto first = kestrova::run_local(*read.schema, budget);
    if (first.error == kestrova::ErrorKind::RuntimeError) std::abort();
    if (!first.ok()) return 0;  // a local cap
    if (!parses_as_json(first.text)) std::abort();
    const auto second = kestrova::run_local(*read.schema, budget);
    if (second.text != first.text) std::abort();
    return 0;
}
