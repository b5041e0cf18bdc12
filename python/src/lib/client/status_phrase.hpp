// Reason phrases for the status codes a failed hosted call reports.
#pragma once

#include <string_view>

namespace kestrova::http {

// The fixed phrase for code, or "<unknown status code>".
std::string_view status_phrase(long code);

}  // namespace kestrova::http
