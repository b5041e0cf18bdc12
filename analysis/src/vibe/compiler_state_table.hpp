// Interns compiler states by their identifier without building the identifier
// text for states already known.
//
// Every variable's value text (four-decimal number, "null", or the compact JSON
// of a non-numeric initial value) is interned per variable, and a state is
// keyed by the tuple of its text ids. Value texts are self-delimiting (no text
// is a proper prefix of another) and the keys are the same in every state, so
// two tuples are equal exactly when their identifiers are.
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
    explicit StateTable(const Program& program);

    // Index of the state with these values' identifier, adding it when new
    // (second = true). A new state keeps `slots` as its values.
    std::pair<std::uint32_t, bool> intern(const Slots& slots);

    std::size_t size() const { return ids_.size(); }
    const std::string& id(std::uint32_t state) const { return ids_[state]; }
    const Slot* slots(std::uint32_t state) const { return slots_.data() + state * width_; }

  private:
    struct VariableTexts {
        std::unordered_map<std::uint64_t, std::uint32_t> by_bits;
        std::unordered_map<std::string, std::uint32_t> by_text;
        std::vector<std::string> texts;
        std::uint32_t null_id = 0;
        std::uint32_t original_id = 0;
    };

    std::uint32_t text_id(VariableTexts& variable, std::string text);
    std::uint32_t value_id(std::size_t variable, const Slot& slot);
    std::uint64_t hash_key(const std::uint32_t* key) const;
    void grow();

    std::size_t width_;
    std::vector<std::string> names_;
    std::vector<VariableTexts> variables_;
    std::vector<std::uint32_t> keys_;  // width_ text ids per state
    std::vector<Slot> slots_;          // width_ values per state
    std::vector<std::string> ids_;
    std::vector<std::uint32_t> buckets_;  // state index + 1; 0 is empty
    std::vector<std::uint32_t> scratch_key_;
    std::string text_buffer_;
};

}  // namespace kestrova::compiler_detail
