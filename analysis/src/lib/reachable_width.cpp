#include "lib/reachable_width.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrova {

std::size_t count_within(const std::vector<double>& sorted_costs, double budget) {
    // A NaN budget admits no step; upper_bound would count everything.
    if (std::isnan(budget)) return 1;
    const auto end = std::upper_bound(sorted_costs.begin(), sorted_costs.end(), budget);
    return std::max<std::size_t>(static_cast<std::size_t>(end - sorted_costs.begin()), 1);
}

ReachableWidth::ReachableWidth(const InitialStateSearch& search)
    : search_(search), per_budget_search_(search.has_negative_cost()) {
    if (per_budget_search_) return;
    sorted_costs_ = search_.least_costs(std::numeric_limits<double>::infinity());
    std::sort(sorted_costs_.begin(), sorted_costs_.end());
}

std::size_t ReachableWidth::count(double budget) const {
    if (per_budget_search_) return search_.count_reachable(budget);
    return count_within(sorted_costs_, budget);
}

}  // namespace kestrova
