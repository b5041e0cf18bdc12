// Condition and precondition texts against attribute maps built from the input:
// the evaluators are total, so anything may come in and nothing may go wrong.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vibe/compiler.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // First line: "name=number-text" pairs separated by ';' become attributes (the
    // number text is read by the condition grammar itself, through a probe condition).
    const auto newline = input.find('\n');
    const std::string_view header = input.substr(0, newline);
    const std::string_view condition =
        newline == std::string_view::npos ? std::string_view{} : input.substr(newline + 1);

    kestrova::AttributeMap attributes;
    std::size_t start = 0;
    double seed = 0.0;
    while (start <= header.size()) {
        const auto end = std::min(header.find(';', start), header.size());
        const auto pair = header.substr(start, end - start);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos) {
            attributes[std::string(pair.substr(0, eq))] = kestrova::json::Value(seed);
            seed = seed * 3.0 + static_cast<double>(pair.size()) - 7.5;
        } else if (!pair.empty()) {
            attributes[std::string(pair)] = kestrova::json::Value(std::string(pair));
        }
        start = end + 1;
    }
    const bool whole = kestrova::eval_condition(attributes, condition);
    const bool split = kestrova::precondition_holds(attributes, condition);
    // A text without "&&" is one piece: the precondition test then equals the condition on
    // the trimmed text, which for three tokens or "true" is the condition itself.
    if (condition == "true" && !(whole && split)) std::abort();
    return 0;
}
