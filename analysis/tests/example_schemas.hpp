// Runs a check on every shipped example scenario, read into a schema. An example
// that does not read fails the test, and so does an empty examples/ folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "example_scenarios.hpp"
#include "vibe/scenario_reader.hpp"

namespace kestrova::testing {

template <class Check>
void check_example_schemas(Check&& check) {
    int checked = 0;
    for (const auto& example :
         example_scenarios(std::filesystem::path(KESTROVA_SOURCE_DIR) / "examples")) {
        const ScenarioReadResult read = read_scenario(example.text);
        ASSERT_TRUE(read.schema) << example.path << ": " << read.error;
        SCOPED_TRACE(example.path.string());
        check(*read.schema);
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace kestrova::testing
