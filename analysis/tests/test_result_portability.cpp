// Target-dependent behaviour of the analysis: what the width of the size type changes,
// and the corpus whose result texts must come out byte-identical on every target.
// With KESTROVA_RESULT_CORPUS_OUT set, the corpus test also writes one line per entry
// (name, size-type mark, result text) for scripts/armhf-compare-results.sh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "lib/simulate.hpp"
#include "portability_corpus.hpp"
#include "scenario_text.hpp"
#include "vibe/result_writer.hpp"
#include "vibe/scenario_reader.hpp"

namespace kestrova {
namespace {

constexpr bool kNarrowSize = sizeof(std::size_t) < 8;
constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();
constexpr std::uint64_t kMax32 = 4294967295u;

const std::string kHorizonMessage =
    "Schema error: Simulation horizon (max 24) exceeded. Please upgrade to the Hosted API for "
    "long-range planning.";

std::string with_horizon(const std::string& horizon) {
    return testing::scenario_with(testing::kTimeLine,
                                  R"("time": {"type": "discrete", "horizon": )" + horizon + "},");
}

TEST(SizeType, HorizonAtTheThirtyTwoBitEdge) {
    // 2^32 - 1 fits every size type; the engine limit then rejects it.
    const ScenarioReadResult fits = read_scenario(with_horizon("4294967295"));
    ASSERT_TRUE(fits.schema) << fits.error;
    EXPECT_EQ(fits.schema->time.horizon, kMax32);
    EXPECT_EQ(simulate(*fits.schema, std::nullopt).recommendation, kHorizonMessage);

    // 2^32 is an invalid value where the size type is 32 bits wide, an ordinary
    // (over-long) horizon where it is 64.
    const ScenarioReadResult above = read_scenario(with_horizon("4294967296"));
    if (kNarrowSize) {
        EXPECT_FALSE(above.schema);
        EXPECT_EQ(above.error,
                  "invalid value: integer `4294967296`, expected an unsigned size at line 3 "
                  "column 50");
    } else {
        ASSERT_TRUE(above.schema) << above.error;
        EXPECT_EQ(static_cast<std::uint64_t>(above.schema->time.horizon), kMax32 + 1);
        const SimulationResult r = simulate(*above.schema, std::nullopt);
        EXPECT_EQ(r.verdict, "invalid_schema");
        EXPECT_EQ(r.recommendation, kHorizonMessage);
    }
}

// One unbounded-budget variable x in [0, max] with unit cells: every sample of the
// estimate lies inside, so every step's estimate is exactly `max` cells.
SimulationResult continuous_run(const std::string& max) {
    const std::string text =
        R"({"version":"1","metadata":{"name":"wide"},"time":{"type":"discrete","horizon":2},)"
        R"("resources":{},"variables":{"x":{"type":"float","initial":0,"min":0,"max":)" +
        max +
        R"(,"discretization":1}},"actions":[],"transitions":[],"constraints":[],)"
        R"("goal":{"type":"threshold","conditions":[]}})";
    const ScenarioReadResult read = read_scenario(text);
    EXPECT_TRUE(read.schema) << read.error;
    return read.schema ? simulate(*read.schema, std::nullopt) : SimulationResult{};
}

TEST(SizeType, ContinuousEstimateClampsToTheSizeType) {
    const struct {
        const char* max;
        std::uint64_t width;  // the width where the size type is 64 bits wide
    } cases[] = {
        {"4294967295", kMax32},
        {"4294967296", kMax32 + 1},
        {"1e10", 10000000000u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.max);
        const std::size_t expected =
            kNarrowSize && c.width > kMax32 ? kSizeMax : static_cast<std::size_t>(c.width);
        const SimulationResult r = continuous_run(c.max);
        ASSERT_EQ(r.calculation_mode, ExecutionMode::Continuous);
        ASSERT_EQ(r.timeline.size(), 3u);
        for (const TimelineStep& step : r.timeline) {
            EXPECT_EQ(step.future_width, expected);
            // Everything derived from the width follows the clamped value.
            EXPECT_EQ(step.entropy, std::log2(static_cast<double>(expected)));
            EXPECT_EQ(step.thickness, static_cast<double>(expected));  // T = 1, W0 = 1
        }
        const std::string text = write_result(r);
        const std::string width_member = "\"future_width\":" + std::to_string(expected) + ",";
        EXPECT_NE(text.find(width_member), std::string::npos) << text;
    }
}

// Marks an entry whose text may differ between targets by design: a width that a
// 32-bit size type clamps (or, seen from a 64-bit target, one it would clamp).
bool depends_on_size_type(const SimulationResult& r) {
    for (const TimelineStep& step : r.timeline) {
        if (kNarrowSize ? step.future_width == kSizeMax
                        : static_cast<std::uint64_t>(step.future_width) > kMax32) {
            return true;
        }
    }
    return false;
}

TEST(ResultCorpus, CoversEveryModeAndRepeatsExactly) {
    const auto corpus =
        testing::portability_corpus(std::filesystem::path(KESTROVA_SOURCE_DIR) / "examples", 800);
    const char* out_path = std::getenv("KESTROVA_RESULT_CORPUS_OUT");
    std::ofstream out;
    if (out_path != nullptr && *out_path != '\0') {
        out.open(out_path, std::ios::binary | std::ios::trunc);
        ASSERT_TRUE(out) << out_path;
    }

    std::size_t modes[3] = {0, 0, 0};
    std::size_t rejected = 0, sized = 0;
    for (const testing::CorpusEntry& entry : corpus) {
        SCOPED_TRACE(entry.name);
        const ScenarioReadResult read = read_scenario(entry.text);
        ASSERT_TRUE(read.schema) << read.error << "\n" << entry.text;
        const SimulationResult result = simulate(*read.schema, entry.budget);
        const std::string text = write_result(result);
        EXPECT_EQ(write_result(simulate(*read.schema, entry.budget)), text);
        ++modes[static_cast<int>(result.calculation_mode)];
        if (result.verdict == "invalid_schema") ++rejected;
        const bool size_dependent = depends_on_size_type(result);
        if (size_dependent) ++sized;
        if (out.is_open()) {
            out << entry.name << '\t' << (size_dependent ? "size" : "-") << '\t' << text << '\n';
        }
    }
    if (out.is_open()) {
        out.close();
        EXPECT_FALSE(out.fail()) << out_path;
    }
    // The generator must keep reaching every branch that decides the numbers.
    EXPECT_GE(modes[0], 50u);
    EXPECT_GE(modes[1], 1u);
    EXPECT_GE(modes[2], 50u);
    EXPECT_GE(rejected, 5u);
    EXPECT_GE(sized, 3u);
}

}  // namespace
}  // namespace kestrova
