// Single code point lookups through an ICU converter, used to build the decoding
// tables of the legacy encodings.
#pragma once

#include <string_view>

struct UConverter;

namespace kestrova::encoding {

class IcuLookup {
  public:
    // A converter ICU does not have leaves every lookup unmapped.
    explicit IcuLookup(const char* converter_name);
    ~IcuLookup();
    IcuLookup(const IcuLookup&) = delete;
    IcuLookup& operator=(const IcuLookup&) = delete;

    // The one scalar value `bytes` decode to as a whole; 0 when they are malformed,
    // unmapped, or decode to anything but exactly one scalar value.
    char32_t code_point(std::string_view bytes);

  private:
    UConverter* converter_ = nullptr;
};

inline bool is_private_use(char32_t code_point) {
    return code_point >= 0xE000 && code_point <= 0xF8FF;
}

}  // namespace kestrova::encoding
