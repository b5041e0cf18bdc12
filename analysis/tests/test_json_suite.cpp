// The public JSON parsing conformance cases, each read as a variable's `initial`
// in an otherwise valid scenario: y_ must be accepted, n_ rejected, i_ either way
// without a crash. Embedding changes no verdict: text after a complete value
// still fails, as the variable record then expects `,` or `}`.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scenario_text.hpp"
#include "vibe/scenario_reader.hpp"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

fs::path suite_dir() {
    return fs::path(KESTROVA_SHARED_DIR) / "json-test-suite" / "test_parsing";
}

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string embedded(const std::string& document) {
    return testing::scenario_with(testing::kVariablesLine,
                                  R"("variables": {"x": {"type": "int", "initial": )" + document +
                                      R"(, "discretization": 1}},)");
}

TEST(JsonSuite, EveryCaseAsAnInitialValue) {
    const fs::path dir = suite_dir();
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no conformance suite at " << dir;

    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 300u);

    std::size_t accepted = 0, rejected = 0;
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        const ScenarioReadResult result = read_scenario(embedded(file_bytes(file)));
        const bool ok = result.schema.has_value();
        (ok ? accepted : rejected) += 1;
        if (name.starts_with("y_")) {
            EXPECT_TRUE(ok) << name << ": " << result.error;
        } else if (name.starts_with("n_")) {
            EXPECT_FALSE(ok) << name << " was accepted";
        }
        // i_ cases: reaching this line without a crash is the check.
    }
    EXPECT_EQ(accepted + rejected, files.size());
}

}  // namespace
}  // namespace kestrova
