#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "json/writer.hpp"
#include "scenario_text.hpp"
#include "vibe/scenario_reader.hpp"
#include "vibe/scenario_writer.hpp"

namespace kestrova {
namespace {

using namespace testing;

VibeSchema read_ok(std::string_view text) {
    ScenarioReadResult result = read_scenario(text);
    EXPECT_TRUE(result.schema.has_value()) << result.error << "\n" << text;
    return result.schema ? std::move(*result.schema) : VibeSchema{};
}

std::string written(std::string_view text) {
    return json::to_compact(write_scenario(read_ok(text)));
}

// The written text of one member of the root object.
std::string written_member(std::string_view text, const std::string& member) {
    const json::Value value = write_scenario(read_ok(text));
    const auto& root = std::get<json::Object>(value.data);
    const auto it = root.find(member);
    return it == root.end() ? "<missing>" : json::to_compact(it->second);
}

TEST(ScenarioWriter, MembersInByteOrderAtEveryLevel) {
    EXPECT_EQ(
        written(scenario_text()),
        R"({"actions":[{"cost":{"energy":1.0},"effects":{"x":{"op":"add","value":1.0}},"name":"step","preconditions":["x < 5"]}],)"
        R"("constraints":[{"mode":"hard","operator":"lte","type":"threshold","value":5.0,"variable":"x"}],)"
        R"("goal":{"conditions":[{"operator":"gte","value":3.0,"variable":"x"}],"type":"threshold"},)"
        R"("metadata":{"description":"a test","name":"demo"},)"
        R"("resources":{"energy":{"initial":10.0,"max":20.0,"min":0.0}},)"
        R"("time":{"horizon":3,"type":"discrete"},)"
        R"("transitions":[{"condition":"x > 0","effects":{"x":{"op":"decrement","value":0.5}},"name":"decay","priority":1,"type":"recurring"}],)"
        R"("variables":{"x":{"discretization":1.0,"initial":0,"max":5.0,"min":0.0,"type":"int"}},)"
        R"("version":"1.0"})");
}

TEST(ScenarioWriter, AbsentOptionalsAreNull) {
    EXPECT_EQ(written_member(
                  scenario_with(kResourcesLine, R"("resources": {"r": {"initial": 1, "min": 0}},)"),
                  "resources"),
              R"({"r":{"initial":1.0,"max":null,"min":0.0}})");
    EXPECT_EQ(
        written_member(
            scenario_with(
                kVariablesLine,
                R"("variables": {"x": {"type": "bool", "initial": null, "discretization": 1}},)"),
            "variables"),
        R"({"x":{"discretization":1.0,"initial":null,"max":null,"min":null,"type":"bool"}})");
    EXPECT_EQ(
        written_member(scenario_with(kActionsLine,
                                     R"("actions": [{"name": "a", "cost": {}, "effects": {}}],)"),
                       "actions"),
        R"([{"cost":{},"effects":{},"name":"a","preconditions":null}])");
    EXPECT_EQ(
        written_member(
            scenario_with(
                kTransitionsLine,
                R"("transitions": [{"name": "t", "type": "triggered", "priority": -3, "effects": {}}],)"),
            "transitions"),
        R"([{"condition":null,"effects":{},"name":"t","priority":-3,"type":"triggered"}])");
    EXPECT_EQ(
        written_member(
            scenario_with(
                kConstraintsLine,
                R"("constraints": [{"type": "non_negative", "mode": "soft", "variable": "x"}],)"),
            "constraints"),
        R"([{"mode":"soft","operator":null,"type":"non_negative","value":null,"variable":"x"}])");
    EXPECT_EQ(
        written_member(scenario_with(kMetadataLine, R"("metadata": {"name": "n"},)"), "metadata"),
        R"({"description":null,"name":"n"})");
}

TEST(ScenarioWriter, InitialValuesAsRead) {
    struct Case {
        const char* initial;
        const char* written;
    };
    const std::vector<Case> cases = {
        {"3", "3"},
        {"3.0", "3.0"},
        {"3.5e2", "350.0"},
        {"-0", "-0.0"},
        {"-7", "-7"},
        {"18446744073709551615", "18446744073709551615"},
        {"1e16", "1e+16"},
        {R"("t\u00e9\n")", "\"t\xc3\xa9\\n\""},
        {R"([true, false, null, {"b": 1, "B": 2.5, "a": [], "b": 0}])",
         R"([true,false,null,{"B":2.5,"a":[],"b":0}])"},
    };
    for (const Case& c : cases) {
        const std::string text = scenario_with(
            kVariablesLine, std::string(R"("variables": {"x": {"type": "float", "initial": )") +
                                c.initial + R"(, "discretization": 0.5}},)");
        EXPECT_EQ(written_member(text, "variables"),
                  std::string(R"({"x":{"discretization":0.5,"initial":)") + c.written +
                      R"(,"max":null,"min":null,"type":"float"}})")
            << c.initial;
    }
}

TEST(ScenarioWriter, NumberFormsOfPlainNumbers) {
    struct Case {
        const char* read;
        const char* written;
    };
    const std::vector<Case> cases = {
        {"5", "5.0"},        {"1e16", "1e+16"},
        {"1e-5", "0.00001"}, {"1.5e-7", "1.5e-7"},
        {"1e-6", "1e-6"},    {"1e15", "1000000000000000.0"},
        {"-0.0", "-0.0"},    {"-0", "-0.0"},
        {"0.1", "0.1"},      {"18446744073709551616", "1.8446744073709552e+19"},
    };
    for (const Case& c : cases) {
        const std::string text =
            scenario_with(kResourcesLine, std::string(R"("resources": {"r": {"initial": )") +
                                              c.read + R"(, "min": 0}},)");
        EXPECT_EQ(written_member(text, "resources"),
                  std::string(R"({"r":{"initial":)") + c.written + R"(,"max":null,"min":0.0}})")
            << c.read;
    }
}

TEST(ScenarioWriter, EffectValuesAndIntegers) {
    EXPECT_EQ(
        written_member(
            scenario_with(
                kActionsLine,
                R"("actions": [{"name": "a", "cost": {"e": -2}, "effects": {"x": {"op": "set", "value": 5}, "y": {"op": {"affine": null}, "value": "x"}}}],)"),
            "actions"),
        R"([{"cost":{"e":-2.0},"effects":{"x":{"op":"set","value":5.0},"y":{"op":"affine","value":"x"}},"name":"a","preconditions":null}])");
    EXPECT_EQ(
        written_member(
            scenario_with(kTimeLine, R"("time": {"type": {"discrete": null}, "horizon": 12},)"),
            "time"),
        R"({"horizon":12,"type":"discrete"})");
    EXPECT_EQ(
        written_member(
            scenario_with(
                kTransitionsLine,
                R"("transitions": [{"name": "t", "type": "recurring", "priority": -2147483648, "effects": {}}],)"),
            "transitions"),
        R"([{"condition":null,"effects":{},"name":"t","priority":-2147483648,"type":"recurring"}])");
}

TEST(ScenarioWriter, MapKeysSortedBytewise) {
    const std::string text = scenario_with(
        kResourcesLine,
        R"("resources": {"a_b": {"initial": 1, "min": 0}, "a": {"initial": 2, "min": 0}, "B": {"initial": 3, "min": 0}},)");
    EXPECT_EQ(
        written_member(text, "resources"),
        R"({"B":{"initial":3.0,"max":null,"min":0.0},"a":{"initial":2.0,"max":null,"min":0.0},)"
        R"("a_b":{"initial":1.0,"max":null,"min":0.0}})");
    EXPECT_EQ(
        written_member(
            scenario_with(
                kActionsLine,
                R"("actions": [{"name": "a", "cost": {"z": 1, "\u00e9": 2, "Z": 3}, "effects": {}}],)"),
            "actions"),
        "[{\"cost\":{\"Z\":3.0,\"z\":1.0,\"\xc3\xa9\":2.0},\"effects\":{},\"name\":\"a\","
        "\"preconditions\":null}]");
}

TEST(ScenarioWriter, MemberOrderOfTheInputDoesNotShow) {
    const std::string reordered =
        R"({"goal": {"conditions": [{"value": 3, "operator": "gte", "variable": "x"}], "type": "threshold"},)"
        R"( "constraints": [{"value": 5, "operator": "lte", "variable": "x", "mode": "hard", "type": "threshold"}],)"
        R"( "transitions": [{"effects": {"x": {"value": 0.5, "op": "decrement"}}, "condition": "x > 0", "priority": 1, "type": "recurring", "name": "decay"}],)"
        R"( "actions": [{"preconditions": ["x < 5"], "effects": {"x": {"value": 1, "op": "add"}}, "cost": {"energy": 1}, "name": "step"}],)"
        R"( "variables": {"x": {"discretization": 1, "max": 5, "min": 0, "initial": 0, "type": "int"}},)"
        R"( "resources": {"energy": {"max": 20, "min": 0, "initial": 10}},)"
        R"( "time": {"horizon": 3, "type": "discrete"}, "metadata": {"description": "a test", "name": "demo"}, "version": "1.0"})";
    EXPECT_EQ(written(reordered), written(scenario_text()));
}

// The scenario with every name-keyed map in ascending key order, as the writer
// lays them out.
template <class T>
NamedMap<T> sorted(const NamedMap<T>& map) {
    std::vector<std::pair<std::string, T>> entries(map.begin(), map.end());
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    NamedMap<T> out;
    for (auto& [key, value] : entries) out.assign(std::move(key), std::move(value));
    return out;
}

VibeSchema with_sorted_maps(VibeSchema s) {
    s.resources = sorted(s.resources);
    s.variables = sorted(s.variables);
    for (auto& a : s.actions) {
        a.cost = sorted(a.cost);
        a.effects = sorted(a.effects);
    }
    for (auto& t : s.transitions) t.effects = sorted(t.effects);
    return s;
}

TEST(ScenarioWriter, WrittenTextReadsBackEqual) {
    const std::vector<std::string> texts = {
        scenario_text(),
        scenario_with(
            kVariablesLine,
            R"("variables": {"b": {"type": "float", "initial": [1, -2, 0.5, -0, "s", {"k": null}], "min": -1e-7, "discretization": 0.25}, "a": {"type": "bool", "initial": true, "max": 1e300, "discretization": 1}},)"),
        scenario_with(
            kActionsLine,
            R"("actions": [{"name": "n\"\u0001", "cost": {"e": 1.5e-7, "d": -0.0}, "effects": {"x": {"op": "affine", "value": "x*2"}, "y": {"op": "multiply", "value": 1e16}}, "preconditions": []}],)"),
        scenario_with(
            kConstraintsLine,
            R"("constraints": [{"type": "forbidden_zone", "mode": "soft", "variable": "x"}, {"type": "threshold", "mode": "hard", "variable": "y", "operator": "eq", "value": 0.1}],)"),
    };
    for (const std::string& text : texts) {
        const VibeSchema original = read_ok(text);
        const std::string once = json::to_compact(write_scenario(original));
        const VibeSchema back = read_ok(once);
        EXPECT_EQ(back, with_sorted_maps(original)) << once;
        // Writing is stable: a second trip gives the same text.
        EXPECT_EQ(json::to_compact(write_scenario(back)), once);
    }
}

TEST(ScenarioWriter, NonFiniteNumbersAsNull) {
    VibeSchema schema = read_ok(scenario_text());
    schema.resources.assign("energy",
                            ResourceDefinition{std::numeric_limits<double>::infinity(), 0.0,
                                               std::numeric_limits<double>::quiet_NaN()});
    const json::Value value = write_scenario(schema);
    const auto& resources =
        std::get<json::Object>(std::get<json::Object>(value.data).at("resources").data);
    EXPECT_EQ(json::to_compact(resources.at("energy")), R"({"initial":null,"max":null,"min":0.0})");
}

}  // namespace
}  // namespace kestrova
