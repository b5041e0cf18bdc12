#include "client/request_target.hpp"

#include <openssl/evp.h>

namespace kestrova::http {
namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percent_decode(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size() && hex_value(in[i + 1]) >= 0 &&
            hex_value(in[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex_value(in[i + 1]) * 16 + hex_value(in[i + 2])));
            i += 2;
        } else {
            out.push_back(in[i]);
        }
    }
    return out;
}

std::string base64(const std::string& in) {
    std::string out(4 * ((in.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                 reinterpret_cast<const unsigned char*>(in.data()),
                                 static_cast<int>(in.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

}  // namespace

Target target_of(const Url& url) {
    Target target;
    Url bare = url;
    bare.username.clear();
    bare.password.clear();
    target.wire_url = bare.serialize(false);
    // Built by appending: GCC 12 misreports "literal" + string under -Wrestrict.
    target.host_header = url.host.value_or("");
    if (url.port) {
        target.host_header += ':';
        target.host_header += std::to_string(*url.port);
    }
    target.origin = url.scheme;
    target.origin += "://";
    target.origin += target.host_header;
    if (!url.username.empty() || !url.password.empty()) {
        std::string credentials = percent_decode(url.username);
        credentials += ':';
        credentials += percent_decode(url.password);
        target.authorization = "Basic ";
        target.authorization += base64(credentials);
    }
    return target;
}

}  // namespace kestrova::http
