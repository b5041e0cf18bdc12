// The whole local analysis on every scenario the reader accepts: the result always
// serialises, is valid UTF-8, parses back as JSON with every member of the document
// in its place and consistent with itself, and a second run gives the same text.
//
// The input is the scenario text itself, so plain scenario files seed it; the budget
// comes from a checksum of the bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "json/reader.hpp"
#include "local_execution.hpp"
#include "utf8_check.hpp"
#include "vibe/scenario_reader.hpp"

namespace {

namespace json = kestrova::json;

// Scenarios beyond this size only slow the search down; every shape fits below it.
constexpr std::size_t kMaxInput = 8192;

[[noreturn]] void fail() {
    std::abort();
}

void require(bool condition) {
    if (!condition) fail();
}

const json::Value& member(const json::Value& object, std::string_view name) {
    const auto* members = std::get_if<json::Object>(&object.data);
    require(members != nullptr);
    const auto it = members->find(name);
    require(it != members->end());
    return it->second;
}

void require_members(const json::Value& object, std::size_t count) {
    const auto* members = std::get_if<json::Object>(&object.data);
    require(members != nullptr && members->size() == count);
}

std::optional<std::uint64_t> unsigned_or_null(const json::Value& value) {
    if (value.is_null()) return std::nullopt;
    const auto* u = std::get_if<std::uint64_t>(&value.data);
    require(u != nullptr);
    return *u;
}

std::uint64_t unsigned_of(const json::Value& value) {
    const auto u = unsigned_or_null(value);
    require(u.has_value());
    return *u;
}

// A double member: a number, or null for a non-finite value.
std::optional<double> double_or_null(const json::Value& value) {
    if (value.is_null()) return std::nullopt;
    require(std::holds_alternative<double>(value.data));
    return std::get<double>(value.data);
}

const std::string& text_of(const json::Value& value) {
    const auto* s = std::get_if<std::string>(&value.data);
    require(s != nullptr);
    return *s;
}

bool is_bool(const json::Value& value, bool expected) {
    const auto* b = std::get_if<bool>(&value.data);
    return b != nullptr && *b == expected;
}

const json::Array& array_of(const json::Value& value) {
    const auto* a = std::get_if<json::Array>(&value.data);
    require(a != nullptr);
    return *a;
}

std::string_view status_for(std::uint64_t width) {
    if (width == 0) return "collapsed";
    if (width <= 5) return "critical";
    if (width <= 20) return "narrowing";
    return "safe";
}

void check_step(const json::Value& step, std::size_t index, const kestrova::VibeSchema& schema) {
    require_members(step, 9);
    require(unsigned_of(member(step, "t")) == index);
    const std::uint64_t width = unsigned_of(member(step, "future_width"));
    double_or_null(member(step, "thickness"));
    const auto risk = double_or_null(member(step, "risk_spike"));
    require(!risk || *risk <= 100.0);
    const auto goal = double_or_null(member(step, "goal_distance"));
    require(goal && *goal >= 0.0 && *goal <= 1.0);
    require(is_bool(member(step, "is_on_recommended_path"), false));
    // log2 of the width; the C library's log2 may differ from the correctly rounded one by
    // an ulp.
    const auto entropy = double_or_null(member(step, "entropy"));
    const double expected = width > 0 ? std::log2(static_cast<double>(width)) : 0.0;
    require(entropy && (*entropy == expected || *entropy == std::nextafter(expected, -HUGE_VAL) ||
                        *entropy == std::nextafter(expected, HUGE_VAL)));
    const auto& cause = member(step, "dominant_root_cause");
    require(cause.is_null() || schema.variables.contains(text_of(cause)));
    require(text_of(member(step, "status")) == status_for(width));
}

void check_result(const json::Value& result, const kestrova::VibeSchema& schema) {
    require_members(result, 12);
    const auto& timeline = array_of(member(result, "timeline"));
    const auto no_return = unsigned_or_null(member(result, "point_of_no_return"));
    const auto goal_reached = unsigned_or_null(member(result, "goal_reached_at"));
    require(member(result, "recommended_path").is_null());
    const auto& approximate = member(result, "is_approximate");
    const std::string& verdict = text_of(member(result, "verdict"));
    text_of(member(result, "recommendation"));
    const std::string& mode = text_of(member(result, "calculation_mode"));
    require(mode == "Discrete" || mode == "Hybrid" || mode == "Continuous");
    require(is_bool(approximate, mode == "Continuous"));
    const std::string& trust = text_of(member(result, "trust_level"));
    require(trust == "High" || trust == "Medium" || trust == "Low");
    const auto& bounds = member(result, "error_bounds");
    require_members(bounds, 2);
    double_or_null(member(bounds, "epsilon"));
    double_or_null(member(bounds, "confidence"));
    const auto& alerts = array_of(member(result, "alerts"));
    const auto& report = member(result, "sensitivity_report");

    if (verdict == "invalid_schema") {
        require(timeline.empty() && no_return == 0u && !goal_reached && alerts.empty() &&
                report.is_null() && mode == "Discrete" && trust == "High");
        return;
    }
    require(verdict.starts_with("possible"));
    require(timeline.size() == schema.time.horizon + 1);
    std::optional<std::uint64_t> first_collapse;
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        check_step(timeline[i], i, schema);
        if (!first_collapse && unsigned_of(member(timeline[i], "future_width")) == 0)
            first_collapse = i;
    }
    require(no_return == first_collapse);
    require(!goal_reached || *goal_reached == 0);

    // Alerts come in the order raised, each kind at most once.
    int last_kind = -1;
    for (const auto& alert : alerts) {
        require_members(alert, 3);
        const std::string& type = text_of(member(alert, "type"));
        const int kind = type == "unsound_system"           ? 0
                         : type == "high_complexity"        ? 1
                         : type == "temporal_inconsistency" ? 2
                                                            : -1;
        require(kind > last_kind);
        last_kind = kind;
        text_of(member(alert, "message"));
        text_of(member(alert, "detail"));
    }
    require((last_kind == 2) == (verdict != "possible"));

    require_members(report, 3);
    const auto* culprits = std::get_if<json::Object>(&member(report, "primary_culprits").data);
    require(culprits != nullptr);
    std::uint64_t named_steps = 0;
    for (const auto& [name, count] : *culprits) {
        require(schema.variables.contains(name));
        const std::uint64_t n = unsigned_of(count);
        require(n >= 1);
        named_steps += n;
    }
    require(named_steps <= timeline.size());
    double_or_null(member(report, "mean_thickness"));
    const auto peak = double_or_null(member(report, "peak_fragility"));
    require(!peak || *peak >= 0.0);
}

json::Value parse_json(const std::string& text) {
    try {
        json::Reader reader(text);
        json::Value value = reader.read_value();
        reader.finish();
        return value;
    } catch (const json::ReadError&) {
        fail();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = kestrova::read_scenario(text);
    if (!read.schema) return 0;

    // Absent, or one of a few telling values.
    static constexpr double kBudgets[] = {0.0, 1.0, 2.5, 10.0, 40.0, -1.0, 1e308, -0.0};
    unsigned checksum = 0;
    for (std::size_t i = 0; i < size; ++i) checksum = checksum * 31 + data[i];
    std::optional<double> budget;
    switch (const unsigned pick = checksum % 11) {
        case 8:
            break;
        case 9:
            budget = std::numeric_limits<double>::quiet_NaN();
            break;
        case 10:
            budget = std::numeric_limits<double>::infinity();
            break;
        default:
            budget = kBudgets[pick];
    }

    const auto first = kestrova::run_local(*read.schema, budget);
    if (first.error == kestrova::ErrorKind::RuntimeError) fail();
    if (!first.ok()) return 0;  // a local cap
    require(kestrova::fuzz::valid_utf8(first.text));
    check_result(parse_json(first.text), *read.schema);
    const auto second = kestrova::run_local(*read.schema, budget);
    require(second.text == first.text);
    return 0;
}
