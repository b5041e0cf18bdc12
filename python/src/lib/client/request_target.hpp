// Where a request goes on the wire, derived from a parsed URL.
#pragma once

#include <string>

#include "client/url.hpp"

namespace kestrova::http {

struct Target {
    std::string wire_url;       // without user information and fragment
    std::string host_header;    // host, plus the port when it is not the default
    std::string origin;         // scheme://host[:port], to tell which hops keep credentials
    std::string authorization;  // "Basic ..." from user information, or empty
};

Target target_of(const Url& url);

}  // namespace kestrova::http
