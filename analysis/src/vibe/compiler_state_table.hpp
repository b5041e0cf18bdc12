// Interns compiler states by their identifier without building the identifier
// text for states already known.
//
// Every variable's value text (four-decimal number, "null", or the compact JSON
// of a non-numeric initial value) is interned per variable, and a state is
// keyed by the tuple of its text ids. Value texts are self-delimiting (no text
// is a proper prefix of another) and the keys are the same in every state, so
// two tuples are equal exactly when their identifiers are, and tuples compared
// text by text order like their identifiers do.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "vibe/compiler_program.hpp"

namespace kestrova::compiler_detail {

// splitmix64 finaliser
inline std::uint64_t mix64(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

class StateTable {
  public:
    // Identifier texts are built for new states only when `keep_ids` is set.
    StateTable(const Program& program, bool keep_ids);

    // Index of the state with these exact values' identifier, adding it when
    // new (second = true). A new state keeps `slots` as its values.
    std::pair<std::uint32_t, bool> intern(const Slots& slots);

    // Action steps from one state: `enter` takes the state's values, and
    // `intern_step` then interns a step's result before snapping, of which
    // only the `touched` slots may differ from the entered values. Every
    // number is snapped and clamped first; a new state keeps the snapped values.
    void enter(const Slot* slots);
    std::pair<std::uint32_t, bool> intern_step(const Slots& raw,
                                               const std::vector<std::uint32_t>& touched);

    std::size_t size() const { return states_; }
    // Only when built with `keep_ids`.
    const std::string& id(std::uint32_t state) const { return ids_[state]; }
    const Slot* slots(std::uint32_t state) const { return slots_.data() + state * width_; }

    // By state: the rank of its identifier among all states' identifiers in
    // bytewise order (a permutation of 0 .. size() - 1).
    std::vector<std::uint32_t> identifier_ranks() const;

  private:
    // A snapped number with its text id, cached by the bits of the raw number.
    struct SnapEntry {
        std::uint64_t raw_bits = 0;
        Slot snapped;
        std::uint64_t term = 0;  // key_term of the text id
        std::uint32_t text_id = 0;
        bool used = false;
    };

    struct VariableTexts {
        std::unordered_map<std::uint64_t, std::uint32_t> by_bits;
        std::unordered_map<std::string, std::uint32_t> by_text;
        std::vector<std::string> texts;
        std::uint32_t null_id = 0;
        std::uint32_t original_id = 0;
        std::vector<SnapEntry> snaps;  // open addressing, size a power of two
        std::size_t snap_count = 0;
    };

    std::uint32_t text_id(VariableTexts& variable, std::string text);
    std::uint32_t value_id(std::size_t variable, const Slot& slot);
    const SnapEntry& snap(std::size_t variable, double raw);
    const SnapEntry& add_snap(std::size_t variable, double raw);
    static SnapEntry& place(std::vector<SnapEntry>& snaps, const SnapEntry& entry);
    static std::uint64_t key_term(std::size_t variable, std::uint32_t text_id);
    void snapped(std::size_t variable, const Slot& raw, Slot& slot, std::uint32_t& text_id,
                 std::uint64_t& term);
    std::pair<std::uint32_t, bool> find(const std::uint32_t* key, std::uint64_t hash) const;
    std::uint32_t add(std::uint32_t bucket, std::uint64_t hash, const std::uint32_t* key,
                      const Slots& slots);
    void grow();

    const Program& program_;
    std::size_t width_;
    bool keep_ids_;
    std::size_t states_ = 0;
    std::vector<std::string> names_;
    std::vector<VariableTexts> variables_;
    std::vector<std::uint32_t> keys_;    // width_ text ids per state
    std::vector<std::uint64_t> hashes_;  // by state: the sum of its key's terms
    std::vector<Slot> slots_;            // width_ values per state
    std::vector<std::string> ids_;
    std::vector<std::uint32_t> buckets_;  // state index + 1; 0 is empty
    std::vector<std::uint32_t> scratch_key_;
    Slots scratch_slots_;
    std::vector<std::uint32_t> step_key_;
    std::vector<std::uint32_t> entered_key_;  // the entered values, snapped
    std::vector<std::uint64_t> entered_term_;
    std::uint64_t entered_hash_ = 0;
    Slots entered_slots_;
    Slots touched_slots_;  // the touched slots of a step, snapped
    std::string text_buffer_;
};

// The per-step paths below are inline: they run for every action step.

// A key hashes to the sum of one term per slot, so a step that changes a few
// slots updates the hash of the state it started from instead of rehashing.
inline std::uint64_t StateTable::key_term(std::size_t variable, std::uint32_t text_id) {
    return mix64((static_cast<std::uint64_t>(variable) << 32) | text_id);
}

// Snapping is a function of the raw number's bits, and an action step meets
// the same few raw numbers over and over: each is snapped and printed once.
inline const StateTable::SnapEntry& StateTable::snap(std::size_t index, double raw) {
    const std::vector<SnapEntry>& snaps = variables_[index].snaps;
    const auto bits = std::bit_cast<std::uint64_t>(raw);
    const std::size_t mask = snaps.size() - 1;
    for (std::size_t b = mix64(bits) & mask;; b = (b + 1) & mask) {
        const SnapEntry& entry = snaps[b];
        if (!entry.used) break;
        if (entry.raw_bits == bits) return entry;
    }
    return add_snap(index, raw);
}

inline void StateTable::snapped(std::size_t variable, const Slot& raw, Slot& slot,
                                std::uint32_t& text_id, std::uint64_t& term) {
    if (raw.kind == SlotKind::Number) {
        const SnapEntry& entry = snap(variable, raw.number);
        slot = entry.snapped;
        text_id = entry.text_id;
        term = entry.term;
    } else {
        // Non-numbers are left as they are.
        slot = raw;
        text_id = value_id(variable, raw);
        term = key_term(variable, text_id);
    }
}

// The state with this key (true), or else the empty bucket where it belongs.
inline std::pair<std::uint32_t, bool> StateTable::find(const std::uint32_t* key,
                                                       std::uint64_t hash) const {
    const std::uint32_t* buckets = buckets_.data();
    const std::size_t mask = buckets_.size() - 1;
    const std::size_t width = width_;
    std::size_t b = hash & mask;
    for (; buckets[b] != 0; b = (b + 1) & mask) {
        const std::uint32_t state = buckets[b] - 1;
        if (hashes_[state] != hash) continue;
        const std::uint32_t* known = keys_.data() + state * width;
        std::size_t i = 0;
        while (i < width && known[i] == key[i]) ++i;
        if (i == width) return {state, true};
    }
    return {static_cast<std::uint32_t>(b), false};
}

inline std::pair<std::uint32_t, bool> StateTable::intern_step(
    const Slots& raw, const std::vector<std::uint32_t>& touched) {
    // step_key_ holds the entered key between steps; only touched ids change.
    std::uint32_t* key = step_key_.data();
    std::uint64_t hash = entered_hash_;
    for (const std::uint32_t i : touched) {
        std::uint64_t term = 0;
        snapped(i, raw[i], touched_slots_[i], key[i], term);
        hash += term - entered_term_[i];
    }
    const auto [where, known] = find(key, hash);
    std::pair<std::uint32_t, bool> result{where, false};
    if (!known) {
        // The values are put together only for a new state.
        for (std::size_t i = 0; i < width_; ++i) scratch_slots_[i] = entered_slots_[i];
        for (const std::uint32_t i : touched) scratch_slots_[i] = touched_slots_[i];
        result = {add(where, hash, key, scratch_slots_), true};
    }
    for (const std::uint32_t i : touched) key[i] = entered_key_[i];
    return result;
}

}  // namespace kestrova::compiler_detail
