// Budget-bounded least-cost search over a compiled state space.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "types.hpp"

namespace kestrova {

struct ReachableSet {
    std::unordered_set<std::string> reachable;
    std::unordered_map<std::string, double> costs;
    std::unordered_map<std::string, std::vector<std::string>> paths;
    double budget = 0.0;
    std::string origin;
};

class ReachabilityEngine {
public:
    explicit ReachabilityEngine(StateSpace space);

    ReachableSet compute_reachable_set(std::string_view start, double budget) const;

    // Number of identifiers compute_reachable_set would reach (no sets or paths built).
    std::size_t count_reachable(std::string_view start, double budget) const;

    // Least cost of every state reached from start within budget, start included (0.0).
    std::vector<double> least_costs(std::string_view start, double budget) const;

    // True when some transition has a negative cost.
    bool has_negative_cost() const;

    const StateSpace& space() const;

private:
    // Implementation detail owned by the reachability module.
    struct Index;
    StateSpace space_;
    std::vector<std::byte> reserved_;  // placeholder; the implementation may change the members
};

}  // namespace kestrova
