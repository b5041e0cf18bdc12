// The example scenario documents shipped in examples/, read once for the tests
// that run every example through a pipeline.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kestrova::testing {

struct ExampleScenario {
    std::filesystem::path path;
    std::string text;
};

// Every *.json file in `directory`, sorted by path so each run sees the same order.
inline std::vector<ExampleScenario> example_scenarios(const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<ExampleScenario> examples;
    examples.reserve(files.size());
    for (auto& path : files) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        examples.push_back({std::move(path), text.str()});
    }
    return examples;
}

}  // namespace kestrova::testing
