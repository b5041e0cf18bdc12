#include "client/transfer_setup.hpp"

#include <openssl/ssl.h>

#include <cstring>
#include <string_view>

#include "client/proxy_env.hpp"

namespace kestrova::http {
namespace {

constexpr const char* kCipherList =
    "DEFAULT:!aNULL:!eNULL:!MD5:!3DES:!DES:!RC4:!IDEA:!SEED:!aDSS:!SRP:!PSK";
constexpr long kIdleConnectionSeconds = 90;
// A response head larger than this is refused; libcurl itself only bounds single lines.
constexpr std::size_t kMaxHeadBytes = 1 << 20;

bool ascii_iprefix(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

void publish_head(Transfer& t) {
    long code = 0;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &code);
    t.final_head = true;
    std::lock_guard lock(t.mutex);
    t.status = code;
    t.content_type = t.pending_content_type;
    t.head = true;
    t.changed.notify_all();
}

namespace {

bool followed_status(long code) {
    return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// Watches each response head for its end, and tells the final answer's head from
// interim (1xx) answers and redirects, which the I/O thread follows.
size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (t.final_head) return length;  // trailers
    std::string_view line(data, length);
    if (line.starts_with("HTTP/")) {
        t.head_bytes = 0;
        t.saw_status = true;
        t.head_open = true;
        t.saw_location = false;
        t.pending_content_type.reset();
    }
    t.head_bytes += length;
    if (t.head_bytes > kMaxHeadBytes) {
        t.head_too_large = true;
        return 0;
    }
    if (line == "\r\n" || line == "\n") {
        long code = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &code);
        t.head_open = false;
        t.last_status = code;
        bool interim = code >= 100 && code < 200;
        t.redirect_pending = followed_status(code) && t.saw_location;
        if (!interim && !t.redirect_pending) publish_head(t);
    } else if (ascii_iprefix(line, "location:")) {
        t.saw_location = true;
    } else if (ascii_iprefix(line, "content-type:")) {
        t.pending_content_type = std::string(trim(line.substr(13)));
    }
    return length;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (t.final_head) t.received.append(data, length);
    return length;
}

CURLcode on_ssl_context(CURL*, void* ssl_context, void* trust) {
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(ssl_context), static_cast<X509_STORE*>(trust));
    return CURLE_OK;
}

}  // namespace

bool setup_easy(Transfer& t, CURLSH* share, X509_STORE* trust, std::string& cause) {
    t.easy = curl_easy_init();
    if (t.easy == nullptr) {
        cause = "cannot create a transfer handle";
        return false;
    }
    const bool with_body = t.hop_method != "GET";
    std::vector<std::string> lines;
    // libcurl rewrites a custom Host header as "Host:"; an empty one first stops
    // it writing its own, so ours passes through as written.
    lines.emplace_back("Host:");
    lines.push_back("host: " + t.hop_target.host_header);
    for (const auto& [name, value] : t.headers) {
        if (!with_body && name == "content-type") continue;
        // libcurl sends "name;" as a header with an empty value.
        lines.push_back(value.empty() ? name + ";" : name + ": " + value);
    }
    if (with_body) lines.push_back("content-length: " + std::to_string(t.body.size()));
    if (!t.target.authorization.empty() && t.hop_target.origin == t.target.origin)
        lines.push_back("authorization: " + t.target.authorization);
    // Nothing of libcurl's own: no form content type, no "Expect: 100-continue".
    lines.emplace_back("content-type:");
    lines.emplace_back("expect:");
    for (const auto& line : lines) {
        curl_slist* next = curl_slist_append(t.curl_headers, line.c_str());
        if (next == nullptr) {
            cause = "out of memory";
            return false;
        }
        t.curl_headers = next;
    }
    ProxyChoice proxy = proxy_from_environment(t.hop_scheme);

    CURL* h = t.easy;
    CURLcode rc = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK) rc = curl_easy_setopt(h, option, value);
    };
    set(CURLOPT_PRIVATE, static_cast<void*>(&t));
    set(CURLOPT_ERRORBUFFER, t.error_buffer);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_URL, t.hop_target.wire_url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_PATH_AS_IS, 1L);
    if (with_body) {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(t.body.size()));
        set(CURLOPT_POSTFIELDS, t.body.data());
        if (t.hop_method != "POST") set(CURLOPT_CUSTOMREQUEST, t.hop_method.c_str());
    } else {
        set(CURLOPT_HTTPGET, 1L);
    }
    set(CURLOPT_HTTPHEADER, t.curl_headers);
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    set(CURLOPT_TCP_NODELAY, 1L);
    set(CURLOPT_MAXAGE_CONN, kIdleConnectionSeconds);
    set(CURLOPT_SHARE, share);
    set(CURLOPT_PROXY, proxy.proxy.c_str());
    set(CURLOPT_NOPROXY, proxy.no_proxy.c_str());
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(CURLOPT_SSL_ENABLE_ALPN, 0L);
    set(CURLOPT_SSL_CIPHER_LIST, kCipherList);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    // The shared trust store replaces whatever libcurl would load itself.
    set(CURLOPT_CAINFO, static_cast<const char*>(nullptr));
    set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
    set(CURLOPT_PROXY_CAINFO, static_cast<const char*>(nullptr));
    set(CURLOPT_PROXY_CAPATH, static_cast<const char*>(nullptr));
    set(CURLOPT_SSL_CTX_FUNCTION, on_ssl_context);
    set(CURLOPT_SSL_CTX_DATA, static_cast<void*>(trust));
    set(CURLOPT_HEADERFUNCTION, on_header);
    set(CURLOPT_HEADERDATA, static_cast<void*>(&t));
    set(CURLOPT_WRITEFUNCTION, on_body);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&t));
    if (rc != CURLE_OK) {
        cause = curl_easy_strerror(rc);
        return false;
    }
    return true;
}

void release_easy(Transfer& t) {
    if (t.easy != nullptr) curl_easy_cleanup(t.easy);
    t.easy = nullptr;
    curl_slist_free_all(t.curl_headers);
    t.curl_headers = nullptr;
}

std::string describe_failure(const Transfer& t, CURLcode code) {
    std::string cause;
    if (t.head_too_large)
        cause = "response head too large";
    else if (t.error_buffer[0] != '\0')
        cause = t.error_buffer;
    else
        cause = curl_easy_strerror(code);
    // libcurl's connect failures say "Couldn't connect"; the system's reason says why.
    long os_error = 0;
    if (t.easy != nullptr && curl_easy_getinfo(t.easy, CURLINFO_OS_ERRNO, &os_error) == CURLE_OK &&
        os_error != 0) {
        const std::string reason = std::strerror(static_cast<int>(os_error));
        if (cause.find(reason) == std::string::npos) cause += " (" + reason + ")";
    }
    if (t.final_head) return "error decoding response body: " + cause;
    return "error sending request for url (" + t.url + "): " + cause;
}

}  // namespace kestrova::http
