// The least-cost search written as plainly as possible: string keys, a fresh
// adjacency map per call, whole paths copied on every improvement. Tests and
// benchmarks compare the engine with it. Costs must be zero or more.
#pragma once

#include <queue>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "types.hpp"

namespace kestrova::reference {

struct SearchResult {
    std::unordered_map<std::string, double> costs;
    std::unordered_map<std::string, std::vector<std::string>> paths;
};

inline SearchResult least_cost_search(const StateSpace& space, const std::string& start,
                                      double budget) {
    SearchResult result;
    result.costs[start] = 0.0;
    result.paths[start] = {start};
    if (!space.states.contains(start)) return result;

    std::unordered_map<std::string, std::vector<std::pair<std::string, double>>> adjacency;
    for (const Transition& t : space.transitions) adjacency[t.from].emplace_back(t.to, t.cost);

    using Entry = std::pair<double, std::string>;
    // priority_queue pops the greatest: lowest cost first, then greatest identifier.
    const auto later = [](const Entry& a, const Entry& b) {
        if (a.first != b.first) return a.first > b.first;
        return a.second < b.second;
    };
    std::priority_queue<Entry, std::vector<Entry>, decltype(later)> queue(later);
    queue.emplace(0.0, start);
    while (!queue.empty()) {
        const Entry entry = queue.top();
        queue.pop();
        const auto& [c, u] = entry;
        if (result.costs.at(u) < c) continue;
        const auto edges = adjacency.find(u);
        if (edges == adjacency.end()) continue;
        for (const auto& [v, w] : edges->second) {
            const double n = c + w;
            if (!(n <= budget)) continue;
            const auto known = result.costs.find(v);
            if (known != result.costs.end() && known->second <= n) continue;
            result.costs[v] = n;
            std::vector<std::string> path = result.paths.at(u);
            path.push_back(v);
            result.paths[v] = std::move(path);
            queue.emplace(n, v);
        }
    }
    return result;
}

}  // namespace kestrova::reference
