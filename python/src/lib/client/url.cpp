#include "client/url.hpp"

#include "client/url_host.hpp"

namespace kestrova::http {
namespace {

constexpr int kEof = -1;

std::optional<int> default_port(std::string_view scheme) {
    if (scheme == "http" || scheme == "ws") return 80;
    if (scheme == "https" || scheme == "wss") return 443;
    if (scheme == "ftp") return 21;
    return std::nullopt;
}

bool special_scheme(std::string_view s) {
    return s == "http" || s == "https" || s == "ws" || s == "wss" || s == "ftp" || s == "file";
}

bool is_alpha(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(int c) {
    return c >= '0' && c <= '9';
}
int to_lower(int c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

enum class EncodeSet { C0, Fragment, Query, SpecialQuery, Path, Userinfo };

bool in_set(unsigned char c, EncodeSet set) {
    if (c < 0x20 || c > 0x7E) return true;
    if (set == EncodeSet::C0) return false;
    if (set == EncodeSet::Fragment) return c == ' ' || c == '"' || c == '<' || c == '>' || c == '`';
    bool query = c == ' ' || c == '"' || c == '#' || c == '<' || c == '>';
    if (set == EncodeSet::Query) return query;
    if (set == EncodeSet::SpecialQuery) return query || c == '\'';
    bool path = query || c == '?' || c == '`' || c == '{' || c == '}';
    if (set == EncodeSet::Path) return path;
    return path || c == '/' || c == ':' || c == ';' || c == '=' || c == '@' ||
           (c >= '[' && c <= '^') || c == '|';
}

void percent_encode(std::string& out, unsigned char c, EncodeSet set) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (!in_set(c, set)) {
        out.push_back(static_cast<char>(c));
        return;
    }
    out.push_back('%');
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
}

bool windows_drive_letter(std::string_view s) {
    return s.size() == 2 && is_alpha(s[0]) && (s[1] == ':' || s[1] == '|');
}

bool normalized_windows_drive_letter(std::string_view s) {
    return s.size() == 2 && is_alpha(s[0]) && s[1] == ':';
}

bool ascii_iequal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (to_lower(static_cast<unsigned char>(a[i])) !=
            to_lower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool single_dot(std::string_view s) {
    return s == "." || ascii_iequal(s, "%2e");
}
bool double_dot(std::string_view s) {
    return s == ".." || ascii_iequal(s, ".%2e") || ascii_iequal(s, "%2e.") ||
           ascii_iequal(s, "%2e%2e");
}

// Leading and trailing C0 controls and spaces go; tabs and newlines go everywhere.
std::string preprocess(std::string_view input) {
    std::size_t begin = 0, end = input.size();
    while (begin < end && static_cast<unsigned char>(input[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(input[end - 1]) <= 0x20) --end;
    std::string out;
    out.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i)
        if (input[i] != '\t' && input[i] != '\n' && input[i] != '\r') out.push_back(input[i]);
    return out;
}

enum class State {
    SchemeStart,
    Scheme,
    SpecialAuthoritySlashes,
    PathOrAuthority,
    SpecialAuthorityIgnoreSlashes,
    Authority,
    Host,
    Port,
    File,
    FileSlash,
    FileHost,
    PathStart,
    Path,
    OpaquePath,
    Query,
    Fragment,
};

class Parser {
  public:
    explicit Parser(std::string input) : in_(std::move(input)) {}

    UrlParse run() {
        const auto size = static_cast<std::ptrdiff_t>(in_.size());
        for (ptr_ = 0;; ++ptr_) {
            int c = ptr_ < size ? static_cast<unsigned char>(in_[static_cast<std::size_t>(ptr_)])
                                : kEof;
            if (auto failure = step(c)) return *failure;
            // A step may move the pointer back, even from the end.
            if (ptr_ >= size) break;
        }
        return std::move(url_);
    }

  private:
    std::string_view remaining() const {
        std::size_t next = static_cast<std::size_t>(ptr_ + 1);
        return next <= in_.size() ? std::string_view(in_).substr(next) : std::string_view();
    }
    bool special() const { return special_; }
    bool slash(int c) const { return c == '/' || (special_ && c == '\\'); }

    void shorten_path() {
        if (url_.scheme == "file" && url_.path.size() == 1 &&
            normalized_windows_drive_letter(url_.path[0]))
            return;
        if (!url_.path.empty()) url_.path.pop_back();
    }

    // Where the authority, host, port and path segments end.
    bool ends_segment(int c) const { return c == kEof || c == '?' || c == '#' || slash(c); }

    // Moves on to `next` when `matched`; otherwise to the path state, which reads
    // the character again.
    void next_or_path(bool matched, State next) {
        if (matched) {
            state_ = next;
        } else {
            state_ = State::Path;
            --ptr_;
        }
    }

    void start_query() {
        url_.query = std::string();
        state_ = State::Query;
    }
    void start_fragment() {
        url_.fragment = std::string();
        state_ = State::Fragment;
    }

    std::optional<std::string> parse_host_into(std::string_view text) {
        auto host = parse_host(text, !special_);
        if (auto* error = std::get_if<HostError>(&host)) return std::string(error->text);
        url_.host = std::get<std::string>(std::move(host));
        return std::nullopt;
    }

    // One state-machine step; a returned text means the input is not a URL.
    std::optional<std::string> step(int c) {
        switch (state_) {
            case State::SchemeStart:
                if (is_alpha(c)) {
                    buffer_.push_back(static_cast<char>(to_lower(c)));
                    state_ = State::Scheme;
                    return std::nullopt;
                }
                return std::string("relative URL without a base");
            case State::Scheme:
                if (is_alpha(c) || is_digit(c) || c == '+' || c == '-' || c == '.') {
                    buffer_.push_back(static_cast<char>(to_lower(c)));
                    return std::nullopt;
                }
                if (c == ':') {
                    url_.scheme = std::move(buffer_);
                    buffer_.clear();
                    special_ = special_scheme(url_.scheme);
                    if (url_.scheme == "file") {
                        state_ = State::File;
                    } else if (special_) {
                        state_ = State::SpecialAuthoritySlashes;
                    } else if (remaining().starts_with('/')) {
                        state_ = State::PathOrAuthority;
                        ++ptr_;
                    } else {
                        url_.opaque_path = true;
                        state_ = State::OpaquePath;
                    }
                    return std::nullopt;
                }
                return std::string("relative URL without a base");
            case State::SpecialAuthoritySlashes:
                state_ = State::SpecialAuthorityIgnoreSlashes;
                if (c == '/' && remaining().starts_with('/'))
                    ++ptr_;
                else
                    --ptr_;
                return std::nullopt;
            case State::PathOrAuthority:
                next_or_path(c == '/', State::Authority);
                return std::nullopt;
            case State::SpecialAuthorityIgnoreSlashes:
                if (c != '/' && c != '\\') {
                    state_ = State::Authority;
                    --ptr_;
                }
                return std::nullopt;
            case State::Authority:
                return authority(c);
            case State::Host:
                return host(c);
            case State::Port:
                return port(c);
            case State::File:
                url_.host = std::string();
                next_or_path(c == '/' || c == '\\', State::FileSlash);
                return std::nullopt;
            case State::FileSlash:
                next_or_path(c == '/' || c == '\\', State::FileHost);
                return std::nullopt;
            case State::FileHost:
                if (c == kEof || c == '/' || c == '\\' || c == '?' || c == '#') {
                    --ptr_;
                    if (windows_drive_letter(buffer_)) {
                        state_ = State::Path;
                    } else if (buffer_.empty()) {
                        url_.host = std::string();
                        state_ = State::PathStart;
                    } else {
                        if (auto failure = parse_host_into(buffer_)) return failure;
                        if (url_.host == "localhost") url_.host = std::string();
                        buffer_.clear();
                        state_ = State::PathStart;
                    }
                } else {
                    buffer_.push_back(static_cast<char>(c));
                }
                return std::nullopt;
            case State::PathStart:
                if (special_) {
                    state_ = State::Path;
                    if (c != '/' && c != '\\') --ptr_;
                } else if (c == '?') {
                    start_query();
                } else if (c == '#') {
                    start_fragment();
                } else if (c != kEof) {
                    state_ = State::Path;
                    if (c != '/') --ptr_;
                }
                return std::nullopt;
            case State::Path:
                path(c);
                return std::nullopt;
            case State::OpaquePath:
                if (c == '?') {
                    start_query();
                } else if (c == '#') {
                    start_fragment();
                } else if (c == ' ') {
                    int next = remaining().empty() ? kEof : remaining()[0];
                    url_.opaque += (next == '?' || next == '#') ? "%20" : " ";
                } else if (c != kEof) {
                    percent_encode(url_.opaque, static_cast<unsigned char>(c), EncodeSet::C0);
                }
                return std::nullopt;
            case State::Query:
                if (c == '#' || c == kEof) {
                    auto set = special_ ? EncodeSet::SpecialQuery : EncodeSet::Query;
                    for (char b : buffer_)
                        percent_encode(*url_.query, static_cast<unsigned char>(b), set);
                    buffer_.clear();
                    if (c == '#') start_fragment();
                } else {
                    buffer_.push_back(static_cast<char>(c));
                }
                return std::nullopt;
            case State::Fragment:
                if (c != kEof)
                    percent_encode(*url_.fragment, static_cast<unsigned char>(c),
                                   EncodeSet::Fragment);
                return std::nullopt;
        }
        return std::nullopt;
    }

    std::optional<std::string> authority(int c) {
        if (c == '@') {
            if (at_sign_seen_) buffer_ = "%40" + buffer_;
            at_sign_seen_ = true;
            for (char b : buffer_) {
                if (b == ':' && !password_token_seen_) {
                    password_token_seen_ = true;
                    continue;
                }
                percent_encode(password_token_seen_ ? url_.password : url_.username,
                               static_cast<unsigned char>(b), EncodeSet::Userinfo);
            }
            buffer_.clear();
        } else if (ends_segment(c)) {
            if (at_sign_seen_ && buffer_.empty()) return std::string("empty host");
            ptr_ -= static_cast<std::ptrdiff_t>(buffer_.size()) + 1;
            buffer_.clear();
            state_ = State::Host;
        } else {
            buffer_.push_back(static_cast<char>(c));
        }
        return std::nullopt;
    }

    std::optional<std::string> host(int c) {
        if (c == ':' && !inside_brackets_) {
            if (buffer_.empty()) return std::string("empty host");
            if (auto failure = parse_host_into(buffer_)) return failure;
            buffer_.clear();
            state_ = State::Port;
        } else if (ends_segment(c)) {
            --ptr_;
            if (special_ && buffer_.empty()) return std::string("empty host");
            if (auto failure = parse_host_into(buffer_)) return failure;
            buffer_.clear();
            state_ = State::PathStart;
        } else {
            if (c == '[') inside_brackets_ = true;
            if (c == ']') inside_brackets_ = false;
            buffer_.push_back(static_cast<char>(c));
        }
        return std::nullopt;
    }

    std::optional<std::string> port(int c) {
        if (is_digit(c)) {
            port_value_ = port_value_ * 10 + (c - '0');
            if (port_value_ > 65535) return std::string("invalid port number");
            buffer_.push_back(static_cast<char>(c));
            return std::nullopt;
        }
        if (ends_segment(c)) {
            if (!buffer_.empty()) {
                if (default_port(url_.scheme) == port_value_)
                    url_.port.reset();
                else
                    url_.port = port_value_;
                buffer_.clear();
            }
            state_ = State::PathStart;
            --ptr_;
            return std::nullopt;
        }
        return std::string("invalid port number");
    }

    void path(int c) {
        if (ends_segment(c)) {
            bool slashed = slash(c);
            if (double_dot(buffer_)) {
                shorten_path();
                if (!slashed) url_.path.emplace_back();
            } else if (single_dot(buffer_) && !slashed) {
                url_.path.emplace_back();
            } else if (!single_dot(buffer_)) {
                if (url_.scheme == "file" && url_.path.empty() && windows_drive_letter(buffer_))
                    buffer_[1] = ':';
                url_.path.push_back(buffer_);
            }
            buffer_.clear();
            if (c == '?') {
                start_query();
            } else if (c == '#') {
                start_fragment();
            }
            return;
        }
        percent_encode(buffer_, static_cast<unsigned char>(c), EncodeSet::Path);
    }

    std::string in_;
    std::ptrdiff_t ptr_ = 0;
    State state_ = State::SchemeStart;
    std::string buffer_;
    Url url_;
    bool special_ = false;
    bool at_sign_seen_ = false;
    bool password_token_seen_ = false;
    bool inside_brackets_ = false;
    int port_value_ = 0;
};

}  // namespace

bool Url::is_special() const {
    return special_scheme(scheme);
}

std::string Url::serialize(bool with_fragment) const {
    // Appends piece by piece (GCC 12 misreports "literal" + string under -Wrestrict).
    std::string out = scheme;
    out += ':';
    if (host) {
        out += "//";
        if (!username.empty() || !password.empty()) {
            out += username;
            if (!password.empty()) {
                out += ':';
                out += password;
            }
            out += '@';
        }
        out += *host;
        if (port) {
            out += ':';
            out += std::to_string(*port);
        }
    }
    if (opaque_path) {
        out += opaque;
    } else {
        if (!host && path.size() > 1 && path[0].empty()) out += "/.";
        for (const auto& segment : path) {
            out += '/';
            out += segment;
        }
    }
    if (query) {
        out += '?';
        out += *query;
    }
    if (with_fragment && fragment) {
        out += '#';
        out += *fragment;
    }
    return out;
}

UrlParse parse_url(std::string_view input) {
    return Parser(preprocess(input)).run();
}

}  // namespace kestrova::http
