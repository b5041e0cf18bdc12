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

std::uint64_t mix(std::uint64_t x) {
    // splitmix64 finaliser
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

}  // namespace

StateTable::StateTable(const Program& program, bool keep_ids)
    : program_(program),
      width_(program.variables.size()),
      keep_ids_(keep_ids),
      variables_(program.variables.size()),
      buckets_(kInitialBuckets, 0),
      scratch_key_(program.variables.size()),
      scratch_slots_(program.variables.size()) {
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

// Snapping is a function of the raw number's bits, and an action step meets
// the same few raw numbers over and over: each is snapped and printed once.
const StateTable::SnapEntry& StateTable::snap(std::size_t index, double raw) {
    VariableTexts& variable = variables_[index];
    const auto bits = std::bit_cast<std::uint64_t>(raw);
    std::size_t mask = variable.snaps.size() - 1;
    std::size_t b = mix(bits) & mask;
    while (variable.snaps[b].used) {
        if (variable.snaps[b].raw_bits == bits) return variable.snaps[b];
        b = (b + 1) & mask;
    }
    SnapEntry entry;
    entry.raw_bits = bits;
    entry.snapped = snap_and_clamp(program_.variables[index], raw);
    entry.text_id = value_id(index, entry.snapped);
    entry.used = true;
    // Keep the load factor at or below one half.
    if ((variable.snap_count + 1) * 2 > variable.snaps.size()) {
        std::vector<SnapEntry> snaps(variable.snaps.size() * 2);
        mask = snaps.size() - 1;
        for (const SnapEntry& old : variable.snaps) {
            if (!old.used) continue;
            std::size_t slot = mix(old.raw_bits) & mask;
            while (snaps[slot].used) slot = (slot + 1) & mask;
            snaps[slot] = old;
        }
        variable.snaps = std::move(snaps);
        b = mix(bits) & mask;
        while (variable.snaps[b].used) b = (b + 1) & mask;
    }
    ++variable.snap_count;
    variable.snaps[b] = entry;
    return variable.snaps[b];
}

std::uint64_t StateTable::hash_key(const std::uint32_t* key) const {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (std::size_t i = 0; i < width_; ++i) h = mix(h ^ key[i]);
    return h;
}

void StateTable::grow() {
    std::vector<std::uint32_t> buckets(buckets_.size() * 2, 0);
    const std::size_t mask = buckets.size() - 1;
    for (std::size_t state = 0; state < states_; ++state) {
        std::size_t b = hash_key(keys_.data() + state * width_) & mask;
        while (buckets[b] != 0) b = (b + 1) & mask;
        buckets[b] = static_cast<std::uint32_t>(state + 1);
    }
    buckets_ = std::move(buckets);
}

std::pair<std::uint32_t, bool> StateTable::intern(const Slots& slots) {
    for (std::size_t i = 0; i < width_; ++i) scratch_key_[i] = value_id(i, slots[i]);
    return find_or_add(slots);
}

std::pair<std::uint32_t, bool> StateTable::intern_snapped(const Slots& raw) {
    for (std::size_t i = 0; i < width_; ++i) {
        const Slot& slot = raw[i];
        if (slot.kind == SlotKind::Number) {
            const SnapEntry& entry = snap(i, slot.number);
            scratch_slots_[i] = entry.snapped;
            scratch_key_[i] = entry.text_id;
        } else {
            // Non-numbers are left as they are.
            scratch_slots_[i] = slot;
            scratch_key_[i] = value_id(i, slot);
        }
    }
    return find_or_add(scratch_slots_);
}

std::pair<std::uint32_t, bool> StateTable::find_or_add(const Slots& slots) {
    const std::size_t mask = buckets_.size() - 1;
    std::size_t b = hash_key(scratch_key_.data()) & mask;
    while (buckets_[b] != 0) {
        const std::uint32_t state = buckets_[b] - 1;
        const std::uint32_t* key = keys_.data() + state * width_;
        if (std::equal(key, key + width_, scratch_key_.data())) {
            return {state, false};
        }
        b = (b + 1) & mask;
    }
    const auto state = static_cast<std::uint32_t>(states_);
    buckets_[b] = state + 1;
    ++states_;
    keys_.insert(keys_.end(), scratch_key_.begin(), scratch_key_.end());
    slots_.insert(slots_.end(), slots.begin(), slots.end());
    if (keep_ids_) {
        std::string id;
        for (std::size_t i = 0; i < width_; ++i) {
            if (i != 0) id += '|';
            id += names_[i];
            id += ':';
            id += variables_[i].texts[scratch_key_[i]];
        }
        ids_.push_back(std::move(id));
    }
    // Keep the load factor at or below one half.
    if (states_ * 2 > buckets_.size()) grow();
    return {state, true};
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
