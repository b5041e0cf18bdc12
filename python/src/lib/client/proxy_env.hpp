// Proxy selection from the process environment.
#pragma once

#include <string>
#include <string_view>

namespace kestrova::http {

struct ProxyChoice {
    std::string proxy;     // "" for a direct connection
    std::string no_proxy;  // hosts reached directly; "" for none
};

// http_proxy / HTTP_PROXY for http, https_proxy / HTTPS_PROXY for https,
// all_proxy / ALL_PROXY when the specific one is unset; the lower-case name wins.
// Upper-case HTTP_PROXY is ignored under CGI (REQUEST_METHOD set), where a remote
// client controls it through a "Proxy:" request header.
ProxyChoice proxy_from_environment(std::string_view scheme);

}  // namespace kestrova::http
