#include "client/url_host.hpp"

#include <unicode/uidna.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrova::http {
namespace {

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool forbidden_host(unsigned char c) {
    switch (c) {
        case 0x00:
        case '\t':
        case '\n':
        case '\r':
        case ' ':
        case '#':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '@':
        case '[':
        case '\\':
        case ']':
        case '^':
        case '|':
            return true;
        default:
            return false;
    }
}

bool forbidden_domain(unsigned char c) {
    return forbidden_host(c) || c <= 0x1F || c == '%' || c == 0x7F;
}

std::string percent_decode(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size() && is_hex(in[i + 1]) && is_hex(in[i + 2])) {
            out.push_back(static_cast<char>(hex_value(in[i + 1]) * 16 + hex_value(in[i + 2])));
            i += 2;
        } else {
            out.push_back(in[i]);
        }
    }
    return out;
}

std::variant<std::string, HostError> parse_ipv6(std::string_view in) {
    std::array<std::uint16_t, 8> address{};
    int piece = 0;
    int compress = -1;
    std::size_t p = 0;
    const HostError bad{"invalid IPv6 address"};
    auto at = [&](std::size_t i) -> int {
        return i < in.size() ? static_cast<unsigned char>(in[i]) : -1;
    };
    if (at(p) == ':') {
        if (at(p + 1) != ':') return bad;
        p += 2;
        compress = ++piece;
    }
    while (at(p) != -1) {
        if (piece == 8) return bad;
        if (at(p) == ':') {
            if (compress != -1) return bad;
            ++p;
            compress = ++piece;
            continue;
        }
        int value = 0, length = 0;
        while (length < 4 && at(p) != -1 && is_hex(in[p])) {
            value = value * 16 + hex_value(in[p]);
            ++p;
            ++length;
        }
        if (at(p) == '.') {
            if (length == 0) return bad;
            p -= static_cast<std::size_t>(length);
            if (piece > 6) return bad;
            int numbers_seen = 0;
            while (at(p) != -1) {
                int ipv4_piece = -1;
                if (numbers_seen > 0) {
                    if (at(p) == '.' && numbers_seen < 4)
                        ++p;
                    else
                        return bad;
                }
                if (at(p) < '0' || at(p) > '9') return bad;
                while (at(p) >= '0' && at(p) <= '9') {
                    int number = at(p) - '0';
                    if (ipv4_piece == -1)
                        ipv4_piece = number;
                    else if (ipv4_piece == 0)
                        return bad;
                    else
                        ipv4_piece = ipv4_piece * 10 + number;
                    if (ipv4_piece > 255) return bad;
                    ++p;
                }
                address[static_cast<std::size_t>(piece)] = static_cast<std::uint16_t>(
                    address[static_cast<std::size_t>(piece)] * 0x100 + ipv4_piece);
                ++numbers_seen;
                if (numbers_seen == 2 || numbers_seen == 4) ++piece;
            }
            if (numbers_seen != 4) return bad;
            break;
        } else if (at(p) == ':') {
            ++p;
            if (at(p) == -1) return bad;
        } else if (at(p) != -1) {
            return bad;
        }
        address[static_cast<std::size_t>(piece)] = static_cast<std::uint16_t>(value);
        ++piece;
    }
    if (compress != -1) {
        int swaps = piece - compress;
        piece = 7;
        while (piece != 0 && swaps > 0) {
            std::swap(address[static_cast<std::size_t>(piece)],
                      address[static_cast<std::size_t>(compress + swaps - 1)]);
            --piece;
            --swaps;
        }
    } else if (piece != 8) {
        return bad;
    }

    // Serialize: the first longest run of two or more zero pieces becomes "::".
    int best = -1, best_len = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && address[static_cast<std::size_t>(j)] == 0) ++j;
        if (j - i > best_len) {
            best = i;
            best_len = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    std::string out = "[";
    bool ignore0 = false;
    static constexpr char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        if (ignore0 && address[static_cast<std::size_t>(i)] == 0) continue;
        ignore0 = false;
        if (best == i) {
            out += i == 0 ? "::" : ":";
            ignore0 = true;
            continue;
        }
        unsigned v = address[static_cast<std::size_t>(i)];
        char digits[4];
        int n = 0;
        do {
            digits[n++] = kHex[v & 15];
            v >>= 4;
        } while (v != 0);
        while (n > 0) out.push_back(digits[--n]);
        if (i != 7) out.push_back(':');
    }
    out.push_back(']');
    return out;
}

// One IPv4 part: decimal, 0x-hex or 0-octal; nullopt when not a number.
std::optional<std::uint64_t> parse_ipv4_number(std::string_view in) {
    if (in.empty()) return std::nullopt;
    int radix = 10;
    if (in.size() >= 2 && in[0] == '0' && (in[1] == 'x' || in[1] == 'X')) {
        in.remove_prefix(2);
        radix = 16;
    } else if (in.size() >= 2 && in[0] == '0') {
        in.remove_prefix(1);
        radix = 8;
    }
    std::uint64_t value = 0;
    for (char c : in) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (radix == 16 && is_hex(c))
            digit = hex_value(c);
        else
            return std::nullopt;
        if (digit >= radix) return std::nullopt;
        // Saturate: anything this large is out of range anyway.
        value = value > (1ULL << 40)
                    ? value
                    : value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::vector<std::string_view> split_dots(std::string_view in) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = in.find('.', start);
        if (dot == std::string_view::npos) {
            parts.push_back(in.substr(start));
            return parts;
        }
        parts.push_back(in.substr(start, dot - start));
        start = dot + 1;
    }
}

bool ends_in_number(std::string_view domain) {
    auto parts = split_dots(domain);
    if (parts.back().empty()) {
        if (parts.size() == 1) return false;
        parts.pop_back();
    }
    std::string_view last = parts.back();
    if (!last.empty() && last.find_first_not_of("0123456789") == std::string_view::npos)
        return true;
    return parse_ipv4_number(last).has_value();
}

std::variant<std::string, HostError> parse_ipv4(std::string_view in) {
    const HostError bad{"invalid IPv4 address"};
    auto parts = split_dots(in);
    if (parts.back().empty() && parts.size() > 1) parts.pop_back();
    if (parts.size() > 4) return bad;
    std::vector<std::uint64_t> numbers;
    for (auto part : parts) {
        auto n = parse_ipv4_number(part);
        if (!n) return bad;
        numbers.push_back(*n);
    }
    for (std::size_t i = 0; i + 1 < numbers.size(); ++i)
        if (numbers[i] > 255) return bad;
    std::uint64_t limit = 1ULL << (8 * (5 - numbers.size()));
    if (numbers.back() >= limit) return bad;
    std::uint64_t ipv4 = numbers.back();
    for (std::size_t i = 0; i + 1 < numbers.size(); ++i) ipv4 += numbers[i] << (8 * (3 - i));
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += std::to_string((ipv4 >> shift) & 0xFF);
        if (shift != 0) out.push_back('.');
    }
    return out;
}

bool has_ace_label(std::string_view domain) {
    for (auto label : split_dots(domain))
        if (label.size() >= 4 && (label[0] | 0x20) == 'x' && (label[1] | 0x20) == 'n' &&
            label[2] == '-' && label[3] == '-')
            return true;
    return false;
}

// UTS #46 processing with the options of the URL rules (no hyphen checks,
// no STD3 rules, nontransitional, no DNS length check).
std::optional<std::string> domain_to_ascii(const std::string& domain) {
    bool ascii = true;
    for (unsigned char c : domain) ascii = ascii && c < 0x80;
    if (ascii && !has_ace_label(domain)) {
        std::string lower = domain;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return lower;
    }
    UErrorCode status = U_ZERO_ERROR;
    static UIDNA* const idna =
        uidna_openUTS46(UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ | UIDNA_NONTRANSITIONAL_TO_ASCII |
                            UIDNA_NONTRANSITIONAL_TO_UNICODE,
                        &status);
    if (idna == nullptr) return std::nullopt;
    status = U_ZERO_ERROR;
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    std::string out(domain.size() * 4 + 64, '\0');
    int32_t length =
        uidna_nameToASCII_UTF8(idna, domain.data(), static_cast<int32_t>(domain.size()), out.data(),
                               static_cast<int32_t>(out.size()), &info, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<std::size_t>(length));
        status = U_ZERO_ERROR;
        info = UIDNA_INFO_INITIALIZER;
        length =
            uidna_nameToASCII_UTF8(idna, domain.data(), static_cast<int32_t>(domain.size()),
                                   out.data(), static_cast<int32_t>(out.size()), &info, &status);
    }
    if (U_FAILURE(status)) return std::nullopt;
    constexpr uint32_t kIgnored = UIDNA_ERROR_EMPTY_LABEL | UIDNA_ERROR_LABEL_TOO_LONG |
                                  UIDNA_ERROR_DOMAIN_NAME_TOO_LONG | UIDNA_ERROR_LEADING_HYPHEN |
                                  UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;
    if ((info.errors & ~kIgnored) != 0) return std::nullopt;
    out.resize(static_cast<std::size_t>(length));
    if (out.empty()) return std::nullopt;
    return out;
}

}  // namespace

std::variant<std::string, HostError> parse_host(std::string_view input, bool opaque) {
    if (!input.empty() && input.front() == '[') {
        if (input.back() != ']' || input.size() < 2) return HostError{"invalid IPv6 address"};
        return parse_ipv6(input.substr(1, input.size() - 2));
    }
    if (opaque) {
        std::string out;
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (unsigned char c : input) {
            if (forbidden_host(c)) return HostError{"invalid domain character"};
            if (c < 0x20 || c > 0x7E) {
                out.push_back('%');
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 15]);
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
        return out;
    }
    auto ascii = domain_to_ascii(percent_decode(input));
    if (!ascii) return HostError{"invalid international domain name"};
    for (unsigned char c : *ascii)
        if (forbidden_domain(c)) return HostError{"invalid domain character"};
    if (ends_in_number(*ascii)) return parse_ipv4(*ascii);
    return std::move(*ascii);
}

}  // namespace kestrova::http
