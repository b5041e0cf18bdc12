#include "client/openssl_error.hpp"

#include <openssl/err.h>

namespace kestrova::http {

std::string openssl_error_text() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return "unknown error";
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    return buffer;
}

}  // namespace kestrova::http
