// Reading and writing large scenario documents: medians of repeated runs, and the
// time ratio between a 4 MB and a 1 MB document of the same shape (about 4 when
// reading is linear).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.hpp"
#include "json/writer.hpp"
#include "vibe/scenario_reader.hpp"
#include "vibe/scenario_writer.hpp"

namespace {

// Many variables with array and object initial values, many resources, one
// action with a large cost map: the shapes where a quadratic step would show.
std::string document(std::size_t target_bytes) {
    std::string resources, variables, costs;
    for (std::size_t i = 0; resources.size() + variables.size() + costs.size() < target_bytes;
         ++i) {
        const std::string n = std::to_string(i);
        if (i > 0) {
            resources += ',';
            variables += ',';
            costs += ',';
        }
        resources += "\"r" + n + "\":{\"initial\":" + n + ".5,\"min\":-1e3,\"max\":null}";
        variables +=
            "\"v" + n + "\":{\"type\":\"float\",\"initial\":[" + n +
            ",-2.5e-3,\"text \\u00e9\",{\"k\":true,\"l\":[null]}],\"discretization\":0.25}";
        costs += "\"r" + n + "\":1.25";
    }
    return R"({"version":"1","metadata":{"name":"bench"},"time":{"type":"discrete","horizon":12},)"
           R"("resources":{)" +
           resources + R"(},"variables":{)" + variables + R"(},"actions":[{"name":"a","cost":{)" +
           costs +
           R"(},"effects":{}}],"transitions":[],"constraints":[],"goal":{"type":"threshold","conditions":[]}})";
}

template <class F>
double median_ms(int runs, F f) {
    return kestrova::bench::median_seconds(runs, f) * 1e3;
}

}  // namespace

int main() {
    const std::string small = document(1 << 20);
    const std::string large = document(4 << 20);
    if (!kestrova::read_scenario(small).schema || !kestrova::read_scenario(large).schema) {
        std::puts("bench_scenario_reader: document did not read");
        return 1;
    }
    constexpr int kRuns = 15;
    // Interleave the two sizes so both see the same machine load.
    std::vector<double> small_ms, large_ms;
    for (int round = 0; round < 3; ++round) {
        small_ms.push_back(median_ms(kRuns, [&] { (void)kestrova::read_scenario(small); }));
        large_ms.push_back(median_ms(kRuns, [&] { (void)kestrova::read_scenario(large); }));
    }
    std::sort(small_ms.begin(), small_ms.end());
    std::sort(large_ms.begin(), large_ms.end());
    const kestrova::VibeSchema schema = *kestrova::read_scenario(small).schema;
    const double write_ms = median_ms(
        kRuns, [&] { (void)kestrova::json::to_compact(kestrova::write_scenario(schema)); });

    std::printf("read_scenario %.2f MB: median %.2f ms\n", static_cast<double>(small.size()) / 1e6,
                small_ms[1]);
    std::printf("read_scenario %.2f MB: median %.2f ms (ratio to the small one %.2f)\n",
                static_cast<double>(large.size()) / 1e6, large_ms[1], large_ms[1] / small_ms[1]);
    std::printf("write_scenario + compact text %.2f MB: median %.2f ms\n",
                static_cast<double>(small.size()) / 1e6, write_ms);
    return 0;
}
