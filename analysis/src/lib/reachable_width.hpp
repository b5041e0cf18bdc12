// Number of states reachable from the start within a budget, for many budgets.
#pragma once

#include <cstddef>
#include <vector>

#include "reachability/core/initial_state_search.hpp"

namespace kestrova {

// With no negative transition cost a state is reachable within b exactly when its
// least cost from the start is at most b, so one unbounded search answers every
// budget. With a negative cost that no longer holds and each budget gets its own search.
class ReachableWidth {
  public:
    // `search` must outlive this.
    explicit ReachableWidth(const InitialStateSearch& search);

    std::size_t count(double budget) const;

  private:
    const InitialStateSearch& search_;
    bool per_budget_search_;
    std::vector<double> sorted_costs_;  // least costs, ascending; start included
};

// Counts from a table of least costs: those at most `budget`, and never less than 1,
// since the search always reaches the start.
std::size_t count_within(const std::vector<double>& sorted_costs, double budget);

}  // namespace kestrova
