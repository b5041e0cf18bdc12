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

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "vibe/compiler_program.hpp"

namespace kestrova::compiler_detail {

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
    std::uint64_t hash_key(const std::uint32_t* key) const;
    void snapped(std::size_t variable, const Slot& raw, Slot& slot, std::uint32_t& text_id);
    std::pair<std::uint32_t, bool> find(const std::uint32_t* key) const;
    std::uint32_t add(std::uint32_t bucket, const Slots& slots);
    void grow();

    const Program& program_;
    std::size_t width_;
    bool keep_ids_;
    std::size_t states_ = 0;
    std::vector<std::string> names_;
    std::vector<VariableTexts> variables_;
    std::vector<std::uint32_t> keys_;  // width_ text ids per state
    std::vector<Slot> slots_;          // width_ values per state
    std::vector<std::string> ids_;
    std::vector<std::uint32_t> buckets_;  // state index + 1; 0 is empty
    std::vector<std::uint32_t> scratch_key_;
    Slots scratch_slots_;
    std::vector<std::uint32_t> entered_key_;  // the entered values, snapped
    Slots entered_slots_;
    Slots touched_slots_;  // the touched slots of a step, snapped
    std::string text_buffer_;
};

}  // namespace kestrova::compiler_detail
