// Label lookup: the charset names that select an encoding.
#pragma once

#include <optional>
#include <string_view>

#include "encoding/encoding.hpp"

namespace kestrova::encoding {

// Leading and trailing ASCII whitespace (tab, LF, FF, CR, space) is ignored and
// letters match case-insensitively; an unknown label gives nothing.
std::optional<Encoding> encoding_for_label(std::string_view label);

}  // namespace kestrova::encoding
