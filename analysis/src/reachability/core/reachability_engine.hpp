// Budget-bounded least-cost search over a compiled state space.
#pragma once

#include <cstddef>
#include <memory>
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
    ReachabilityEngine(const ReachabilityEngine& other);
    ReachabilityEngine& operator=(const ReachabilityEngine& other);
    ReachabilityEngine(ReachabilityEngine&& other) noexcept;
    ReachabilityEngine& operator=(ReachabilityEngine&& other) noexcept;
    ~ReachabilityEngine();

    ReachableSet compute_reachable_set(std::string_view start, double budget) const;

    // Number of identifiers compute_reachable_set would reach (no sets or paths built).
    std::size_t count_reachable(std::string_view start, double budget) const;

    // Least cost of every state reached from start within budget, start included (0.0).
    std::vector<double> least_costs(std::string_view start, double budget) const;

    // True when some transition has a negative cost.
    bool has_negative_cost() const;

    const StateSpace& space() const;

  private:
    // Dense graph over space_: identifiers numbered by their bytewise rank,
    // adjacency in compressed rows. It refers to space_'s strings, which stay
    // in place when the engine is moved; a copy builds its own.
    struct Index;
    StateSpace space_;
    std::unique_ptr<const Index> index_;
};

}  // namespace kestrova
