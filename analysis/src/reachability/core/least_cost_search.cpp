#include "reachability/core/least_cost_search.hpp"

#include <cstddef>

namespace kestrova::reachability_detail {

namespace {

struct QueueEntry {
    double cost;
    std::uint32_t node;
};

// The entry to take first: the lowest cost, then the greatest node. Queued
// costs are never NaN, and a node is queued again only at a lower cost, so
// this orders all entries strictly and any correct heap pops them alike.
bool taken_first(const QueueEntry& a, const QueueEntry& b) {
    if (a.cost != b.cost) return a.cost < b.cost;
    return a.node > b.node;
}

// A binary heap with the entry to take first on top.
class Queue {
  public:
    bool empty() const { return heap_.empty(); }

    void push(QueueEntry entry) {
        std::size_t i = heap_.size();
        heap_.push_back(entry);
        while (i > 0) {
            const std::size_t parent = (i - 1) / 2;
            if (!taken_first(entry, heap_[parent])) break;
            heap_[i] = heap_[parent];
            i = parent;
        }
        heap_[i] = entry;
    }

    QueueEntry pop() {
        const QueueEntry top = heap_.front();
        const QueueEntry last = heap_.back();
        heap_.pop_back();
        const std::size_t n = heap_.size();
        if (n == 0) return top;
        std::size_t i = 0;
        for (std::size_t child = 1; child < n; child = 2 * i + 1) {
            if (child + 1 < n && taken_first(heap_[child + 1], heap_[child])) ++child;
            if (!taken_first(heap_[child], last)) break;
            heap_[i] = heap_[child];
            i = child;
        }
        heap_[i] = last;
        return top;
    }

  private:
    std::vector<QueueEntry> heap_;
};

enum class Mark : std::uint8_t { Unseen, Queued, Settled };

}  // namespace

SearchOutcome least_cost_search(const DenseGraph& graph, std::uint32_t start, double budget) {
    const std::size_t n = graph.size();
    SearchOutcome out;
    out.cost.resize(n);
    out.parent.resize(n);
    std::vector<Mark> mark(n, Mark::Unseen);
    Queue queue;

    // The start is reached whatever the budget, even a negative or NaN one.
    out.cost[start] = 0.0;
    out.parent[start] = start;
    mark[start] = Mark::Queued;
    queue.push({0.0, start});

    while (!queue.empty()) {
        const QueueEntry entry = queue.pop();
        const std::uint32_t u = entry.node;
        // A node leaves the queue once: its first entry out carries its least
        // cost, any later entry is outdated. With costs of zero or more this is
        // the usual outdated-entry test. With a negative cost it is what makes
        // the search end: a settled node is never improved again (relaxations
        // toward it are ignored below), so a negative cycle cannot loop forever.
        if (mark[u] == Mark::Settled) continue;
        mark[u] = Mark::Settled;
        out.settled.push_back(u);

        const double c = entry.cost;
        for (std::size_t e = graph.row_begin[u]; e < graph.row_begin[u + 1]; ++e) {
            const std::uint32_t v = graph.targets[e];
            const double reach = c + graph.weights[e];
            if (!(reach <= budget)) continue;  // above the budget, or NaN
            if (mark[v] == Mark::Settled) continue;
            if (mark[v] == Mark::Queued && out.cost[v] <= reach) continue;
            out.cost[v] = reach;
            out.parent[v] = u;
            mark[v] = Mark::Queued;
            queue.push({reach, v});
        }
    }
    return out;
}

std::size_t count_reachable(const DenseGraph& graph, std::uint32_t start, double budget) {
    return least_cost_search(graph, start, budget).settled.size();
}

std::vector<double> least_costs(const DenseGraph& graph, std::uint32_t start, double budget) {
    const SearchOutcome outcome = least_cost_search(graph, start, budget);
    std::vector<double> costs;
    costs.reserve(outcome.settled.size());
    for (const std::uint32_t u : outcome.settled) costs.push_back(outcome.cost[u]);
    return costs;
}

}  // namespace kestrova::reachability_detail
