// A fixed corpus of scenario documents and budgets whose result texts are compared
// between build targets. The documents are generated from a seeded sequence of
// our own, so every target sees the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "example_scenarios.hpp"

namespace kestrova::testing {

struct CorpusEntry {
    std::string name;
    std::string text;
    std::optional<double> budget;
};

// splitmix64: fully specified, unlike the standard distributions.
class CorpusSequence {
  public:
    explicit CorpusSequence(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. count-1
    std::size_t below(std::size_t count) { return static_cast<std::size_t>(next() % count); }
    bool chance(std::size_t percent) { return below(100) < percent; }
    template <class T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(N)];
    }

  private:
    std::uint64_t state_;
};

// Budgets that cover every branch of the step budget: absent, non-positive, NaN,
// infinite and ordinary fractional values.
inline std::optional<double> corpus_budget(CorpusSequence& seq) {
    static constexpr double kBudgets[] = {0.0, -1.0, 0.5, 2.5, 7.0, 13.7, 40.0, 99.9, 1e6, 1.0e300};
    switch (seq.below(8)) {
        case 0:
        case 1:
            return std::nullopt;
        case 2:
            return seq.chance(50) ? std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::quiet_NaN();
        default:
            return seq.pick(kBudgets);
    }
}

// One generated document. Numbers come from fixed literal pools, so the text does
// not depend on any number formatting of the target.
inline std::string corpus_document(CorpusSequence& seq) {
    static constexpr std::string_view kNames[] = {
        "x", "y", "fuel", "speed", "b2", "\xC3\xA9t\xC3\xA9", "Z", "q_1"};
    static constexpr std::string_view kLow[] = {"0", "-3.25", "0.5", "-1", "1e-3", "-0.0", "2"};
    static constexpr std::string_view kSpan[] = {"3", "4.5", "7", "10", "0.75", "16", "25"};
    static constexpr std::string_view kWide[] = {"400", "1000.5", "12345.678",  "1e6",
                                                 "3e9", "1e10",   "4294967296", "7.5e12"};
    static constexpr std::string_view kSteps[] = {"1",   "0.5", "0.25", "0.1",
                                                  "0.3", "2",   "3",    "0.7"};
    static constexpr std::string_view kInitial[] = {"0", "1",   "2.5",    "-1",   "0.3",
                                                    "3", "1e3", "\"on\"", "true", "null"};
    static constexpr std::string_view kCosts[] = {"1", "0", "2.5", "0.7", "10", "1.3", "-1", "3"};
    static constexpr std::string_view kOps[] = {"add", "set", "multiply", "decrement", "affine"};
    static constexpr std::string_view kOperands[] = {"1", "0.5", "-1", "2", "0.1", "1.5", "-0.25"};
    static constexpr std::string_view kConditionOps[] = {"<", "<=", ">", ">=", "==", "!="};
    static constexpr std::string_view kThresholds[] = {"0", "1", "2.5", "5", "-1", "0.3", "1e2"};
    static constexpr std::string_view kOperators[] = {"eq", "gt", "lt", "gte", "lte"};
    static constexpr std::string_view kResourceNames[] = {"money", "time", "r"};

    std::vector<std::string> names;
    const std::size_t variable_count =
        seq.below(100) < 4 ? 0 : 1 + seq.below(seq.chance(10) ? 8 : 4);
    for (std::size_t i = 0; i < variable_count; ++i) {
        std::string name(kNames[i]);
        names.push_back(name);
    }
    // Continuous scenarios come from wide ranges; the rest stay small enough to compile fully.
    const bool wide = seq.chance(25);

    std::string doc =
        R"({"version":"1","metadata":{"name":"corpus"},"time":{"type":"discrete","horizon":)";
    doc += std::to_string(seq.chance(10) ? seq.below(25) : 2 + seq.below(11));
    doc += R"(},"resources":{)";
    const std::size_t resource_count = seq.below(3);
    for (std::size_t i = 0; i < resource_count; ++i) {
        if (i) doc += ',';
        doc += '"';
        doc += kResourceNames[i];
        doc += R"(":{"initial":)";
        doc += seq.chance(5) ? "-2" : std::string(seq.pick(kSpan));  // sometimes below min
        doc += R"(,"min":)";
        doc += seq.chance(80) ? "0" : std::string(seq.pick(kLow));
        if (seq.chance(40)) {
            doc += R"(,"max":)";
            doc += seq.pick(kWide);
        }
        doc += '}';
    }
    doc += R"(},"variables":{)";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) doc += ',';
        doc += '"' + names[i] + R"(":{"type":"float","initial":)";
        doc += seq.pick(kInitial);
        const std::string low(seq.pick(kLow));
        if (seq.chance(85)) doc += R"(,"min":)" + low;
        if (seq.chance(85)) {
            doc += R"(,"max":)";
            // A few bounds break validation (max not above min).
            doc += seq.chance(3) ? low : std::string(wide ? seq.pick(kWide) : seq.pick(kSpan));
        }
        doc += R"(,"discretization":)";
        doc += seq.chance(2) ? "0" : std::string(seq.pick(kSteps));
        doc += '}';
    }

    auto effects = [&](std::size_t count) {
        std::string out = "{";
        for (std::size_t e = 0; e < count && !names.empty(); ++e) {
            if (e) out += ',';
            out += '"' + names[seq.below(names.size())] + R"(":{"op":")";
            out += seq.pick(kOps);
            out += R"(","value":)";
            out += seq.chance(15) ? '"' + names[seq.below(names.size())] + '"'
                                  : std::string(seq.pick(kOperands));
            out += '}';
        }
        return out + '}';
    };
    auto condition = [&]() {
        if (names.empty() || seq.chance(10)) return std::string("true");
        std::string out = names[seq.below(names.size())];
        out += ' ';
        out += seq.pick(kConditionOps);
        out += ' ';
        out += seq.pick(kThresholds);
        return out;
    };

    doc += R"(},"actions":[)";
    const std::size_t action_count = seq.below(5);
    for (std::size_t a = 0; a < action_count; ++a) {
        if (a) doc += ',';
        doc += R"({"name":"a)" + std::to_string(a) + R"(","cost":{)";
        for (std::size_t r = 0; r < resource_count; ++r) {
            if (seq.chance(30)) continue;
            if (doc.back() != '{') doc += ',';
            doc += '"';
            doc += kResourceNames[r];
            doc += R"(":)";
            doc += seq.pick(kCosts);
        }
        doc += R"(},"effects":)" + effects(1 + seq.below(2));
        if (seq.chance(50)) {
            doc += R"(,"preconditions":[")" + condition();
            if (seq.chance(30)) doc += " && " + condition();
            doc += R"("])";
        }
        doc += '}';
    }
    doc += R"(],"transitions":[)";
    const std::size_t transition_count = seq.chance(70) ? 0 : 1 + seq.below(2);
    for (std::size_t t = 0; t < transition_count; ++t) {
        if (t) doc += ',';
        doc += R"({"name":"t)" + std::to_string(t) + R"(","type":")";
        doc += seq.chance(50) ? "recurring" : "triggered";
        doc += R"(","priority":)" + std::to_string(static_cast<int>(seq.below(5)) - 2);
        if (seq.chance(70)) doc += R"(,"condition":")" + condition() + '"';
        doc += R"(,"effects":)" + effects(1) + '}';
    }
    doc += R"(],"constraints":[)";
    const std::size_t constraint_count = names.empty() ? 0 : seq.below(3);
    for (std::size_t c = 0; c < constraint_count; ++c) {
        if (c) doc += ',';
        doc += R"({"type":"threshold","mode":")";
        doc += seq.chance(50) ? "hard" : "soft";
        doc += R"(","variable":")" + names[seq.below(names.size())] + '"';
        if (seq.chance(90)) {
            doc += R"(,"operator":")";
            doc += seq.pick(kOperators);
            doc += '"';
        }
        if (seq.chance(90)) {
            doc += R"(,"value":)";
            doc += seq.pick(kThresholds);
        }
        doc += '}';
    }
    doc += R"(],"goal":{"type":"threshold","conditions":[)";
    const std::size_t goal_count = names.empty() ? 0 : seq.below(3);
    for (std::size_t g = 0; g < goal_count; ++g) {
        if (g) doc += ',';
        doc += R"({"variable":")" + names[seq.below(names.size())] + R"(","operator":")";
        doc += seq.pick(kOperators);
        doc += R"(","value":)";
        doc += seq.pick(kThresholds);
        doc += '}';
    }
    doc += "]}}";
    return doc;
}

// The shipped examples, each with a few budgets, then `generated` documents.
inline std::vector<CorpusEntry> portability_corpus(const std::filesystem::path& examples,
                                                   std::size_t generated) {
    std::vector<CorpusEntry> corpus;
    const std::optional<double> example_budgets[] = {std::nullopt, 0.0, 3.5, 40.0,
                                                     std::numeric_limits<double>::infinity()};
    for (const auto& example : example_scenarios(examples)) {
        for (std::size_t b = 0; b < std::size(example_budgets); ++b) {
            corpus.push_back({example.path.filename().string() + "#" + std::to_string(b),
                              example.text, example_budgets[b]});
        }
    }
    // Score exactly 5000 (Hybrid): five variables, P = 2500, horizon 1.
    const std::string hybrid =
        R"({"version":"1","metadata":{"name":"hybrid"},"time":{"type":"discrete","horizon":1},)"
        R"("resources":{"r":{"initial":3,"min":0}},"variables":{)"
        R"("a":{"type":"int","initial":0,"min":0,"max":10,"discretization":1},)"
        R"("b":{"type":"int","initial":0,"min":0,"max":10,"discretization":1},)"
        R"("c":{"type":"int","initial":0,"min":0,"max":25,"discretization":1},)"
        R"("d":{"type":"int","initial":0,"min":0,"max":1,"discretization":1},)"
        R"("e":{"type":"int","initial":0,"min":0,"max":1,"discretization":1}},)"
        R"("actions":[{"name":"a","cost":{"r":1},"effects":{"a":{"op":"add","value":1}}},)"
        R"({"name":"c","cost":{"r":0.5},"effects":{"c":{"op":"add","value":2.5}}}],)"
        R"("transitions":[],"constraints":[{"type":"threshold","mode":"hard","variable":"c",)"
        R"("operator":"lte","value":20}],"goal":{"type":"threshold","conditions":[]}})";
    for (double budget : {0.0, 1.0, 2.5, 3.0}) {
        corpus.push_back({"hybrid#" + std::to_string(corpus.size()), hybrid, budget});
    }
    // Continuous estimates of exactly n cells, at integers whose base-2 logarithm the
    // x86-64 and 32-bit ARM C libraries round differently (the entropy shows it).
    for (const char* cells : {"83507", "420613", "557433", "12345"}) {
        corpus.push_back(
            {std::string("cells#") + cells,
             std::string(
                 R"({"version":"1","metadata":{"name":"cells"},"time":{"type":"discrete","horizon":3},)"
                 R"("resources":{},"variables":{"x":{"type":"int","initial":0,"min":0,"max":)") +
                 cells +
                 R"(,"discretization":1}},"actions":[],"transitions":[],"constraints":[],)"
                 R"("goal":{"type":"threshold","conditions":[]}})",
             std::nullopt});
    }
    CorpusSequence seq(20240601);
    for (std::size_t i = 0; i < generated; ++i) {
        std::string text = corpus_document(seq);
        corpus.push_back({"generated#" + std::to_string(i), std::move(text), corpus_budget(seq)});
    }
    return corpus;
}

}  // namespace kestrova::testing
