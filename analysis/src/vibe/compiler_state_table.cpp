#include "vibe/compiler_state_table.hpp"

#include <algorithm>
#include <bit>
#include <numeric>

#include "json/writer.hpp"
#include "vibe/identifier_text.hpp"

namespace kestrova::compiler_detail {

namespace {

constexpr std::size_t kInitialBuckets = 1024;
constexpr std::size_t kInitialSnaps = 16;

}  // namespace

StateTable::StateTable(const Program& program, bool keep_ids)
    : program_(program),
      width_(program.variables.size()),
      keep_ids_(keep_ids),
      variables_(program.variables.size()),
      buckets_(kInitialBuckets, 0),
      scratch_key_(program.variables.size()),
      scratch_slots_(program.variables.size()),
      step_key_(program.variables.size()),
      entered_key_(program.variables.size()),
      entered_term_(program.variables.size()),
      entered_slots_(program.variables.size()),
      touched_slots_(program.variables.size()) {
    for (std::size_t i = 0; i < width_; ++i) {
        names_.push_back(program.variables[i].name);
        VariableTexts& variable = variables_[i];
        variable.null_id = text_id(variable, "null");
        const json::Value& initial = program.variables[i].initial;
        if (!initial.is_number())
            variable.original_id = text_id(variable, json::to_compact(initial));
        variable.snaps.resize(kInitialSnaps);
    }
}

std::uint32_t StateTable::text_id(VariableTexts& variable, std::string text) {
    const auto [it, inserted] = variable.by_text.emplace(
        std::move(text), static_cast<std::uint32_t>(variable.texts.size()));
    if (inserted) variable.texts.push_back(it->first);
    return it->second;
}

std::uint32_t StateTable::value_id(std::size_t index, const Slot& slot) {
    VariableTexts& variable = variables_[index];
    switch (slot.kind) {
        case SlotKind::Null:
            return variable.null_id;
        case SlotKind::Original:
            return variable.original_id;
        case SlotKind::Number:
            break;
    }
    // Doubles that print alike share one text id; -0.0 and 0.0 do not.
    const auto bits = std::bit_cast<std::uint64_t>(slot.number);
    const auto known = variable.by_bits.find(bits);
    if (known != variable.by_bits.end()) return known->second;
    text_buffer_.clear();
    append_fixed4(text_buffer_, slot.number);
    const std::uint32_t id = text_id(variable, text_buffer_);
    variable.by_bits.emplace(bits, id);
    return id;
}

const StateTable::SnapEntry& StateTable::add_snap(std::size_t index, double raw) {
    VariableTexts& variable = variables_[index];
    SnapEntry entry;
    entry.raw_bits = std::bit_cast<std::uint64_t>(raw);
    entry.snapped = snap_and_clamp(program_.variables[index], raw);
    entry.text_id = value_id(index, entry.snapped);
    entry.term = key_term(index, entry.text_id);
    entry.used = true;
    // Keep the load factor at or below one half.
    if ((variable.snap_count + 1) * 2 > variable.snaps.size()) {
        std::vector<SnapEntry> snaps(variable.snaps.size() * 2);
        for (const SnapEntry& old : variable.snaps) {
            if (old.used) place(snaps, old);
        }
        variable.snaps = std::move(snaps);
    }
    ++variable.snap_count;
    return place(variable.snaps, entry);
}

StateTable::SnapEntry& StateTable::place(std::vector<SnapEntry>& snaps, const SnapEntry& entry) {
    const std::size_t mask = snaps.size() - 1;
    std::size_t b = mix64(entry.raw_bits) & mask;
    while (snaps[b].used) b = (b + 1) & mask;
    snaps[b] = entry;
    return snaps[b];
}

void StateTable::grow() {
    std::vector<std::uint32_t> buckets(buckets_.size() * 2, 0);
    const std::size_t mask = buckets.size() - 1;
    for (std::size_t state = 0; state < states_; ++state) {
        std::size_t b = hashes_[state] & mask;
        while (buckets[b] != 0) b = (b + 1) & mask;
        buckets[b] = static_cast<std::uint32_t>(state + 1);
    }
    buckets_ = std::move(buckets);
}

std::pair<std::uint32_t, bool> StateTable::intern(const Slots& slots) {
    std::uint64_t hash = 0;
    for (std::size_t i = 0; i < width_; ++i) {
        scratch_key_[i] = value_id(i, slots[i]);
        hash += key_term(i, scratch_key_[i]);
    }
    const auto found = find(scratch_key_.data(), hash);
    if (found.second) return {found.first, false};
    return {add(found.first, hash, scratch_key_.data(), slots), true};
}

void StateTable::enter(const Slot* slots) {
    std::uint64_t hash = 0;
    for (std::size_t i = 0; i < width_; ++i) {
        std::uint64_t term = 0;
        snapped(i, slots[i], entered_slots_[i], entered_key_[i], term);
        entered_term_[i] = term;
        step_key_[i] = entered_key_[i];
        hash += term;
    }
    entered_hash_ = hash;
}

// Adds the state in the empty bucket `bucket`.
std::uint32_t StateTable::add(std::uint32_t bucket, std::uint64_t hash, const std::uint32_t* key,
                              const Slots& slots) {
    const auto state = static_cast<std::uint32_t>(states_);
    buckets_[bucket] = state + 1;
    ++states_;
    keys_.insert(keys_.end(), key, key + width_);
    hashes_.push_back(hash);
    slots_.insert(slots_.end(), slots.begin(), slots.end());
    if (keep_ids_) {
        std::string id;
        for (std::size_t i = 0; i < width_; ++i) {
            if (i != 0) id += '|';
            id += names_[i];
            id += ':';
            id += variables_[i].texts[key[i]];
        }
        ids_.push_back(std::move(id));
    }
    // Keep the load factor at or below one half.
    if (states_ * 2 > buckets_.size()) grow();
    return state;
}

std::vector<std::uint32_t> StateTable::identifier_ranks() const {
    // Identifiers share their names and separators, and value texts are
    // self-delimiting, so identifiers order like their tuples of text ranks.
    // A least-significant-first radix sort over the variables orders the tuples.
    std::vector<std::uint32_t> order(states_);
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    std::vector<std::uint32_t> sorted(states_);
    std::vector<std::uint32_t> text_rank;
    std::vector<std::uint32_t> by_text;
    std::vector<std::size_t> start;
    for (std::size_t i = width_; i-- > 0;) {
        const std::vector<std::string>& texts = variables_[i].texts;
        by_text.resize(texts.size());
        std::iota(by_text.begin(), by_text.end(), std::uint32_t{0});
        std::sort(by_text.begin(), by_text.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
        text_rank.resize(texts.size());
        for (std::uint32_t r = 0; r < by_text.size(); ++r) text_rank[by_text[r]] = r;

        start.assign(texts.size() + 1, 0);
        for (std::size_t state = 0; state < states_; ++state)
            ++start[text_rank[keys_[state * width_ + i]] + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (const std::uint32_t state : order)
            sorted[start[text_rank[keys_[state * width_ + i]]]++] = state;
        order.swap(sorted);
    }
    std::vector<std::uint32_t> rank(states_);
    for (std::uint32_t r = 0; r < states_; ++r) rank[order[r]] = r;
    return rank;
}

}  // namespace kestrova::compiler_detail
