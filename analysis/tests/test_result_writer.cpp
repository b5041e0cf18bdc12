#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "vibe/result_writer.hpp"

namespace kestrova {
namespace {

constexpr const char* kHorizonRejection =
    R"({"timeline":[],"point_of_no_return":0,"goal_reached_at":null,"recommended_path":null,)"
    R"("is_approximate":false,"verdict":"invalid_schema","recommendation":"Schema error: )"
    R"(Simulation horizon (max 24) exceeded. Please upgrade to the Hosted API for long-range )"
    R"(planning.","calculation_mode":"Discrete","trust_level":"High","error_bounds":)"
    R"({"epsilon":0.0,"confidence":1.0},"alerts":[],"sensitivity_report":null})";

SimulationResult horizon_rejection() {
    SimulationResult r;
    r.point_of_no_return = 0;
    r.verdict = "invalid_schema";
    r.recommendation =
        "Schema error: Simulation horizon (max 24) exceeded. Please upgrade to the Hosted API "
        "for long-range planning.";
    return r;
}

TEST(ResultWriter, RejectionDocumentIsExact) {
    EXPECT_EQ(write_result(horizon_rejection()), kHorizonRejection);
}

TEST(ResultWriter, FullDocumentKeepsMemberOrderAndNulls) {
    SimulationResult r;
    TimelineStep s0;
    s0.t = 0;
    s0.future_width = 3;
    s0.thickness = 1.0;
    s0.risk_spike = 100.0;
    s0.goal_distance = 0.5;
    s0.entropy = std::log2(3.0);
    s0.status = "critical";
    TimelineStep s1;
    s1.t = 1;
    s1.future_width = 0;
    s1.entropy = 0.0;
    s1.dominant_root_cause = "x";
    s1.status = "collapsed";
    r.timeline = {s0, s1};
    r.point_of_no_return = 1;
    r.goal_reached_at = std::nullopt;
    r.recommended_path = std::vector<std::string>{"a", "b"};
    r.is_approximate = true;
    r.verdict = "possible";
    r.recommendation = "ok";
    r.calculation_mode = ExecutionMode::Continuous;
    r.trust_level = TrustLevel::Medium;
    r.error_bounds = {0.15, 0.95};
    r.alerts = {{"high_complexity", "m", "d"}, {"unsound_system", "m2", std::nullopt}};
    SensitivityReport report;
    report.primary_culprits.assign("x", 2);
    report.mean_thickness = 0.25;
    report.peak_fragility = 0.0;
    r.sensitivity_report = report;

    EXPECT_EQ(
        write_result(r),
        R"({"timeline":[{"t":0,"future_width":3,"thickness":1.0,"risk_spike":100.0,)"
        R"("goal_distance":0.5,"is_on_recommended_path":false,"entropy":1.584962500721156,)"
        R"("dominant_root_cause":null,"status":"critical"},{"t":1,"future_width":0,)"
        R"("thickness":0.0,"risk_spike":0.0,"goal_distance":0.0,"is_on_recommended_path":false,)"
        R"("entropy":0.0,"dominant_root_cause":"x","status":"collapsed"}],)"
        R"("point_of_no_return":1,"goal_reached_at":null,"recommended_path":["a","b"],)"
        R"("is_approximate":true,"verdict":"possible","recommendation":"ok",)"
        R"("calculation_mode":"Continuous","trust_level":"Medium",)"
        R"("error_bounds":{"epsilon":0.15,"confidence":0.95},)"
        R"("alerts":[{"type":"high_complexity","message":"m","detail":"d"},)"
        R"({"type":"unsound_system","message":"m2","detail":null}],)"
        R"("sensitivity_report":{"primary_culprits":{"x":2},"mean_thickness":0.25,)"
        R"("peak_fragility":0.0}})");
}

// Each value goes through the thickness member of a one-step timeline.
TEST(ResultWriter, DoubleForms) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {2.0, "2.0"},
        {0.05, "0.05"},
        {0.00001, "0.00001"},
        {1e15, "1000000000000000.0"},
        {1e16, "1e+16"},
        {1.5e-7, "1.5e-7"},
        {1e-6, "1e-6"},
        {-123.456, "-123.456"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
        {std::numeric_limits<double>::infinity(), "null"},
        {-std::numeric_limits<double>::infinity(), "null"},
    };
    for (const auto& c : cases) {
        SimulationResult r;
        TimelineStep s;
        s.thickness = c.value;
        r.timeline.push_back(s);
        const std::string text = write_result(r);
        const std::string expected = std::string("\"thickness\":") + c.text + ",";
        EXPECT_NE(text.find(expected), std::string::npos) << c.text << " in " << text;
    }
}

TEST(ResultWriter, StringEscapes) {
    const struct {
        std::string name;
        const char* text;
    } cases[] = {
        {"a\"b", R"("a\"b")"},
        {"back\\slash", R"("back\\slash")"},
        {"G\xC3\xBCte", "\"G\xC3\xBCte\""},  // raw UTF-8, no \u escape
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {std::string("\x00\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
        {"del\x7f", "\"del\x7f\""},
        {"\xE2\x80\x94", "\"\xE2\x80\x94\""},
    };
    for (const auto& c : cases) {
        SimulationResult r;
        TimelineStep s;
        s.dominant_root_cause = c.name;
        r.timeline.push_back(s);
        SensitivityReport report;
        report.primary_culprits.assign(c.name, 1);
        r.sensitivity_report = report;
        const std::string text = write_result(r);
        EXPECT_NE(text.find(std::string("\"dominant_root_cause\":") + c.text), std::string::npos)
            << text;
        EXPECT_NE(text.find(std::string("\"primary_culprits\":{") + c.text + ":1}"),
                  std::string::npos)
            << text;
    }
}

TEST(ResultWriter, EmptyCollectionsAndEnumerations) {
    SimulationResult r;
    r.sensitivity_report = SensitivityReport{};
    r.calculation_mode = ExecutionMode::Hybrid;
    r.trust_level = TrustLevel::Low;
    const std::string text = write_result(r);
    EXPECT_NE(text.find(R"("timeline":[],)"), std::string::npos);
    EXPECT_NE(text.find(R"("alerts":[],)"), std::string::npos);
    EXPECT_NE(text.find(R"("primary_culprits":{},)"), std::string::npos);
    EXPECT_NE(text.find(R"("calculation_mode":"Hybrid","trust_level":"Low")"), std::string::npos);
    EXPECT_EQ(text.find(' '), std::string::npos);
    EXPECT_NE(text.back(), '\n');
}

TEST(ResultWriter, LargestWidthIsPlainDigits) {
    SimulationResult r;
    TimelineStep s;
    s.future_width = std::numeric_limits<std::size_t>::max();
    r.timeline.push_back(s);
    EXPECT_NE(write_result(r).find("\"future_width\":" +
                                   std::to_string(std::numeric_limits<std::size_t>::max()) + ","),
              std::string::npos);
}

}  // namespace
}  // namespace kestrova
