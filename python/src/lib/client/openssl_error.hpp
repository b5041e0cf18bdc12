// OpenSSL's error queue as text.
#pragma once

#include <string>

namespace kestrova::http {

// The oldest queued error's reason (empty queue: "unknown error"); clears the queue.
std::string openssl_error_text();

}  // namespace kestrova::http
