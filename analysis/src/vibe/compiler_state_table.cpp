#include "vibe/compiler_state_table.hpp"

#include <algorithm>
#include <bit>

#include "json/writer.hpp"
#include "vibe/identifier_text.hpp"

namespace kestrova::compiler_detail {

namespace {

constexpr std::size_t kInitialBuckets = 1024;

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

StateTable::StateTable(const Program& program)
    : width_(program.variables.size()),
      variables_(program.variables.size()),
      buckets_(kInitialBuckets, 0),
      scratch_key_(program.variables.size()) {
    for (std::size_t i = 0; i < width_; ++i) {
        names_.push_back(program.variables[i].name);
        VariableTexts& variable = variables_[i];
        variable.null_id = text_id(variable, "null");
        const json::Value& initial = program.variables[i].initial;
        if (!initial.is_number())
            variable.original_id = text_id(variable, json::to_compact(initial));
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

std::uint64_t StateTable::hash_key(const std::uint32_t* key) const {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (std::size_t i = 0; i < width_; ++i) h = mix(h ^ key[i]);
    return h;
}

void StateTable::grow() {
    std::vector<std::uint32_t> buckets(buckets_.size() * 2, 0);
    const std::size_t mask = buckets.size() - 1;
    for (std::size_t state = 0; state < ids_.size(); ++state) {
        std::size_t b = hash_key(keys_.data() + state * width_) & mask;
        while (buckets[b] != 0) b = (b + 1) & mask;
        buckets[b] = static_cast<std::uint32_t>(state + 1);
    }
    buckets_ = std::move(buckets);
}

std::pair<std::uint32_t, bool> StateTable::intern(const Slots& slots) {
    for (std::size_t i = 0; i < width_; ++i) scratch_key_[i] = value_id(i, slots[i]);
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
    const auto state = static_cast<std::uint32_t>(ids_.size());
    buckets_[b] = state + 1;
    keys_.insert(keys_.end(), scratch_key_.begin(), scratch_key_.end());
    slots_.insert(slots_.end(), slots.begin(), slots.end());
    std::string id;
    for (std::size_t i = 0; i < width_; ++i) {
        if (i != 0) id += '|';
        id += names_[i];
        id += ':';
        id += variables_[i].texts[scratch_key_[i]];
    }
    ids_.push_back(std::move(id));
    // Keep the load factor at or below one half.
    if (ids_.size() * 2 > buckets_.size()) grow();
    return {state, true};
}

}  // namespace kestrova::compiler_detail
