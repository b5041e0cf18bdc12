#include "reachability/core/reachability_engine.hpp"

#include <optional>
#include <string>
#include <utility>

#include "reachability/core/least_cost_search.hpp"
#include "reachability/core/state_space_index.hpp"

namespace kestrova {

struct ReachabilityEngine::Index : reachability_detail::StateSpaceIndex {
    explicit Index(reachability_detail::StateSpaceIndex index)
        : reachability_detail::StateSpaceIndex(std::move(index)) {}
};

namespace {

using reachability_detail::SearchOutcome;
using reachability_detail::StateSpaceIndex;

// The start's node when a search can leave it: a start that is not a state
// is reached alone.
std::optional<std::uint32_t> searchable_start(const StateSpaceIndex& index,
                                              std::string_view start) {
    const auto node = index.find(start);
    if (!node || !index.is_state[*node]) return std::nullopt;
    return node;
}

}  // namespace

ReachabilityEngine::ReachabilityEngine(StateSpace space)
    : space_(std::move(space)),
      index_(std::make_unique<const Index>(reachability_detail::index_state_space(space_))) {}

ReachabilityEngine::ReachabilityEngine(const ReachabilityEngine& other)
    : ReachabilityEngine(other.space_) {}

ReachabilityEngine& ReachabilityEngine::operator=(const ReachabilityEngine& other) {
    if (this != &other) *this = ReachabilityEngine(other);
    return *this;
}

// Moving the space keeps its strings where they are, so the index stays valid.
ReachabilityEngine::ReachabilityEngine(ReachabilityEngine&& other) noexcept = default;
ReachabilityEngine& ReachabilityEngine::operator=(ReachabilityEngine&& other) noexcept = default;
ReachabilityEngine::~ReachabilityEngine() = default;

ReachableSet ReachabilityEngine::compute_reachable_set(std::string_view start,
                                                       double budget) const {
    ReachableSet result;
    result.budget = budget;
    result.origin = std::string(start);
    const auto node = searchable_start(*index_, start);
    if (!node) {
        result.reachable.insert(result.origin);
        result.costs.emplace(result.origin, 0.0);
        result.paths.emplace(result.origin, std::vector<std::string>{result.origin});
        return result;
    }

    const SearchOutcome outcome =
        reachability_detail::least_cost_search(index_->graph, *node, budget);
    result.reachable.reserve(outcome.settled.size());
    result.costs.reserve(outcome.settled.size());
    result.paths.reserve(outcome.settled.size());
    // Nodes leave the queue after their parents, so every parent's path is
    // complete before a child's is copied from it. Map nodes do not move on rehash.
    std::vector<const std::vector<std::string>*> path_of(index_->graph.size(), nullptr);
    for (const std::uint32_t u : outcome.settled) {
        std::string id(index_->names[u]);
        result.reachable.insert(id);
        result.costs.emplace(id, outcome.cost[u]);
        std::vector<std::string> path;
        const std::uint32_t parent = outcome.parent[u];
        if (parent != u) {
            path.reserve(path_of[parent]->size() + 1);
            path.assign(path_of[parent]->begin(), path_of[parent]->end());
        }
        path.push_back(id);
        path_of[u] = &result.paths.emplace(std::move(id), std::move(path)).first->second;
    }
    return result;
}

std::size_t ReachabilityEngine::count_reachable(std::string_view start, double budget) const {
    const auto node = searchable_start(*index_, start);
    if (!node) return 1;
    return reachability_detail::count_reachable(index_->graph, *node, budget);
}

std::vector<double> ReachabilityEngine::least_costs(std::string_view start, double budget) const {
    const auto node = searchable_start(*index_, start);
    if (!node) return {0.0};
    return reachability_detail::least_costs(index_->graph, *node, budget);
}

bool ReachabilityEngine::has_negative_cost() const {
    return index_->graph.has_negative_weight;
}

const StateSpace& ReachabilityEngine::space() const {
    return space_;
}

}  // namespace kestrova
