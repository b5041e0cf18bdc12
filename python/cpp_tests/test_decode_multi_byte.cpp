#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "decode_test_support.hpp"

namespace kestrova::encoding {
namespace {

using namespace std::string_literals;
using testing::decode_labelled;
using testing::kFffd;
using testing::load_index;
using testing::utf8;

using Index = std::map<std::uint32_t, char32_t>;

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += digits[byte >> 4];
        out += digits[byte & 15];
        out += ' ';
    }
    return out;
}

// The text a two-byte sequence decodes to: its code point from `index`, or else an
// error, after which an ASCII trail byte is read again on its own.
std::string lookup_or_error(const Index& index, std::uint32_t pointer, std::string_view bytes) {
    const auto found = index.find(pointer);
    if (found != index.end()) return utf8(found->second);
    const auto trail = static_cast<unsigned char>(bytes.back());
    return trail < 0x80 ? kFffd + std::string(1, static_cast<char>(trail)) : kFffd;
}

// Decodes the byte sequence of every pointer below `count` and compares; the
// first few differences are listed.
void expect_every_pointer(
    const char* label, std::uint32_t count,
    const std::function<std::string(std::uint32_t)>& bytes_for,
    const std::function<std::string(std::uint32_t, std::string_view)>& expected_for) {
    int failures = 0;
    for (std::uint32_t pointer = 0; pointer < count; ++pointer) {
        const std::string bytes = bytes_for(pointer);
        const std::string expected = expected_for(pointer, bytes);
        const std::string decoded = decode_labelled(bytes, label);
        if (decoded != expected && ++failures <= 10) {
            ADD_FAILURE() << label << " pointer " << pointer << " bytes " << hex(bytes) << "gave "
                          << hex(decoded) << "expected " << hex(expected);
        }
    }
    EXPECT_EQ(failures, 0) << label;
}

std::string two_bytes(unsigned lead, unsigned trail, std::string prefix = "") {
    prefix += static_cast<char>(lead);
    prefix += static_cast<char>(trail);
    return prefix;
}

std::string gb18030_four_bytes(std::uint32_t pointer) {
    return {static_cast<char>(0x81 + pointer / 12600),
            static_cast<char>(0x30 + pointer / 1260 % 10),
            static_cast<char>(0x81 + pointer / 10 % 126), static_cast<char>(0x30 + pointer % 10)};
}

TEST(DecodeMultiByte, ShiftJisEveryPointer) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index jis0208 = load_index("jis0208");
    expect_every_pointer(
        "shift_jis", 60 * 188,
        [](std::uint32_t p) {
            const unsigned lead = p / 188, trail = p % 188;
            return two_bytes(lead < 0x1F ? lead + 0x81 : lead + 0xC1,
                             trail < 0x3F ? trail + 0x40 : trail + 0x41);
        },
        [&](std::uint32_t p, std::string_view bytes) {
            if (p >= 8836 && p <= 10715) return utf8(static_cast<char32_t>(0xE000 + p - 8836));
            return lookup_or_error(jis0208, p, bytes);
        });
}

TEST(DecodeMultiByte, EucJpEveryPointerOfBothIndexes) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index jis0208 = load_index("jis0208");
    const Index jis0212 = load_index("jis0212");
    expect_every_pointer(
        "euc-jp", 94 * 94, [](std::uint32_t p) { return two_bytes(0xA1 + p / 94, 0xA1 + p % 94); },
        [&](std::uint32_t p, std::string_view bytes) {
            return lookup_or_error(jis0208, p, bytes);
        });
    expect_every_pointer(
        "euc-jp", 94 * 94,
        [](std::uint32_t p) { return two_bytes(0xA1 + p / 94, 0xA1 + p % 94, "\x8F"); },
        [&](std::uint32_t p, std::string_view bytes) {
            return lookup_or_error(jis0212, p, bytes);
        });
}

TEST(DecodeMultiByte, Iso2022JpEveryJis0208Pointer) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index jis0208 = load_index("jis0208");
    expect_every_pointer(
        "iso-2022-jp", 94 * 94,
        [](std::uint32_t p) { return two_bytes(0x21 + p / 94, 0x21 + p % 94, "\x1B$B"); },
        [&](std::uint32_t p, std::string_view) {
            const auto found = jis0208.find(p);
            return found == jis0208.end() ? kFffd : utf8(found->second);
        });
}

TEST(DecodeMultiByte, EucKrEveryPointer) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index euc_kr = load_index("euc-kr");
    expect_every_pointer(
        "euc-kr", 126 * 190,
        [](std::uint32_t p) { return two_bytes(0x81 + p / 190, 0x41 + p % 190); },
        [&](std::uint32_t p, std::string_view bytes) { return lookup_or_error(euc_kr, p, bytes); });
}

TEST(DecodeMultiByte, Big5EveryPointer) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index big5 = load_index("big5");
    const std::map<std::uint32_t, std::u32string> combined = {{1133, U"\u00CA\u0304"},
                                                              {1135, U"\u00CA\u030C"},
                                                              {1164, U"\u00EA\u0304"},
                                                              {1166, U"\u00EA\u030C"}};
    expect_every_pointer(
        "big5", 126 * 157,
        [](std::uint32_t p) {
            const unsigned trail = p % 157;
            return two_bytes(0x81 + p / 157, trail < 0x3F ? 0x40 + trail : 0x62 + trail);
        },
        [&](std::uint32_t p, std::string_view bytes) {
            const auto pair = combined.find(p);
            return pair != combined.end() ? utf8(pair->second) : lookup_or_error(big5, p, bytes);
        });
}

TEST(DecodeMultiByte, Gb18030TwoByteEveryPointer) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index gb18030 = load_index("gb18030");
    for (const char* label : {"gb18030", "gbk"}) {
        expect_every_pointer(
            label, 126 * 190,
            [](std::uint32_t p) {
                const unsigned trail = p % 190;
                return two_bytes(0x81 + p / 190, trail < 0x3F ? 0x40 + trail : 0x41 + trail);
            },
            [&](std::uint32_t p, std::string_view bytes) {
                return lookup_or_error(gb18030, p, bytes);
            });
    }
}

// Every four-byte pointer of the Basic Multilingual Plane by the ranges index, the
// edges of the supplementary planes, and the pointers that map to nothing.
TEST(DecodeMultiByte, Gb18030FourByteRanges) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const Index ranges = load_index("gb18030-ranges");
    ASSERT_FALSE(ranges.empty());
    expect_every_pointer("gb18030", 39420, gb18030_four_bytes,
                         [&](std::uint32_t p, std::string_view) {
                             if (p == 7457) return utf8(U"\uE7C7");
                             const auto range = std::prev(ranges.upper_bound(p));
                             return utf8(static_cast<char32_t>(range->second + (p - range->first)));
                         });
    const std::pair<std::uint32_t, std::u32string> edges[] = {
        {189000, U"\U00010000"},  {189001, U"\U00010001"}, {500000, U"\U0005BED8"},
        {1237575, U"\U0010FFFF"}, {39420, U"\uFFFD"},      {100000, U"\uFFFD"},
        {188999, U"\uFFFD"},      {1237576, U"\uFFFD"},    {1587599, U"\uFFFD"},
    };
    for (const auto& [pointer, expected] : edges) {
        EXPECT_EQ(decode_labelled(gb18030_four_bytes(pointer), "gb18030"), utf8(expected))
            << pointer;
    }
}

struct Case {
    const char* label;
    std::string bytes;
    std::u32string expected;
};

constexpr char32_t R = 0xFFFD;

// Malformed sequences: an ASCII byte after a lead byte is never swallowed, and the
// end of the body inside a sequence is one error.
TEST(DecodeMultiByte, MalformedSequences) {
    const Case cases[] = {
        {"shift_jis", "\x82\x22", {R, '"'}},
        {"shift_jis", "\x82", {R}},
        {"shift_jis", "\x82\xFD", {R}},
        {"shift_jis", "\x80\xA0\xA1\xDF\xFD", {0x80, R, 0xFF61, 0xFF9F, R}},
        {"shift_jis", "\x5C\x7E", U"\\~"},
        {"euc-jp", "\xA4\x22", {R, '"'}},
        {"euc-jp", "\x8E\xA1\x8E\xDF", {0xFF61, 0xFF9F}},
        {"euc-jp", "\x8E\xE0", {R}},
        {"euc-jp", "\x8E\x41", {R, 'A'}},
        {"euc-jp", "\x8F\xA1", {R}},
        {"euc-jp", "\x8F\xA1\x41", {R, 'A'}},
        {"euc-jp", "\x8F\x41", {R, 'A'}},
        {"euc-jp", "\x80\xFF", {R, R}},
        {"euc-kr", "\xB0\xA1", U"\uAC00"},
        {"euc-kr", "\x81\x22", {R, '"'}},
        {"euc-kr", "\x80\xFF\xB0", {R, R, R}},
        {"big5", "\xA4\x40", U"\u4E00"},
        {"big5", "\xA4\x22", {R, '"'}},
        {"big5", "\xA4\x80", {R}},
        {"big5", "\x80\xFF\xA4", {R, R, R}},
        {"gb18030", "\x80\xFF", {0x20AC, R}},
        {"gb18030", "\x81\x30", {R}},  // a digit after the lead is lost at the end
        {"gb18030", "\x81\x30\x81", {R}},
        {"gb18030", "\x81\x30\x81\x30", {0x80}},
        {"gb18030", "\x81\x30\x41", {R, '0', 'A'}},
        {"gb18030", "\x81\x30\x81\x41", {R, '0', 0x4E04}},
        {"gb18030", "\x81\x22", {R, '"'}},
        {"gb18030", "\x81\x7F", {R, 0x7F}},
        {"gb18030", "\xA6\xD9\xFE\x59", {0xFE10, 0x9FB4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode_labelled(c.bytes, c.label), utf8(c.expected))
            << c.label << " " << hex(c.bytes);
    }
}

// Every byte below each decoder's trail range, after every lead byte, gives an
// error and then itself.
TEST(DecodeMultiByte, AsciiIsNeverMaskedByALeadByte) {
    const struct {
        const char* label;
        unsigned first_lead, last_lead, first_trail;
    } decoders[] = {
        {"shift_jis", 0x81, 0x9F, 0x40}, {"shift_jis", 0xE0, 0xFC, 0x40},
        {"euc-jp", 0xA1, 0xFE, 0x80},    {"euc-kr", 0x81, 0xFE, 0x41},
        {"big5", 0x81, 0xFE, 0x40},      {"gb18030", 0x81, 0xFE, 0x40},
    };
    for (const auto& d : decoders) {
        for (unsigned lead = d.first_lead; lead <= d.last_lead; ++lead) {
            for (unsigned byte = 0; byte < d.first_trail && byte < 0x80; ++byte) {
                if (byte == 0x1B ||
                    (std::string_view(d.label) == "gb18030" && byte >= 0x30 && byte <= 0x39)) {
                    continue;
                }
                const std::string expected = kFffd + std::string(1, static_cast<char>(byte));
                ASSERT_EQ(decode_labelled(two_bytes(lead, byte), d.label), expected)
                    << d.label << " " << hex(two_bytes(lead, byte));
            }
        }
    }
}

TEST(DecodeMultiByte, Iso2022JpEscapes) {
    const Case cases[] = {
        {"iso-2022-jp", "", U""},
        {"iso-2022-jp", "plain\n", U"plain\n"},
        {"iso-2022-jp",
         "\x1B(J\x5C\x7E"
         "a",
         U"\u00A5\u203Ea"},
        {"iso-2022-jp", "\x1B(I\x21\x5F", U"\uFF61\uFF9F"},
        {"iso-2022-jp", "\x1B(I\x60", {R}},
        {"iso-2022-jp", "\x1B$B\x30\x21\x1B(Ba", U"\u4E9Ca"},
        {"iso-2022-jp", "\x1B$@\x30\x21", U"\u4E9C"},
        {"iso-2022-jp", "\x1B$B\x30", {R}},              // trail byte missing at the end
        {"iso-2022-jp", "\x1B$B\x30\x0A", {R}},          // a line feed cannot be a trail byte
        {"iso-2022-jp", "\x1B$B\x0A", {R}},              // nor a lead byte
        {"iso-2022-jp", "\x1B$B\x30\x1B(Ba", {R, 'a'}},  // escape in place of the trail byte
        {"iso-2022-jp", "\x1B", {R}},
        {"iso-2022-jp", "\x1B(", {R, '('}},
        {"iso-2022-jp", "\x1B$", {R, '$'}},
        {"iso-2022-jp", "\x1B(X", {R, '(', 'X'}},
        {"iso-2022-jp", "\x1B\x1B(Ba", {R, 'a'}},
        {"iso-2022-jp", "\x1B(J\x1B(X\x5C", {R, '(', 'X', 0xA5}},  // bad escape keeps Roman
        {"iso-2022-jp", "\x1B(B\x1B(Ja", {R, 'a'}},                // two escapes in a row
        {"iso-2022-jp", "\x1B(Ba\x1B(Jb", U"ab"},
        {"iso-2022-jp", "\x1B(B", U""},
        {"iso-2022-jp", "\x0E\x0F\x80\xFF", {R, R, R, R}},
        {"iso-2022-jp", "\x1B(J\x0E", {R}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode_labelled(c.bytes, c.label), utf8(c.expected)) << hex(c.bytes);
    }
}

}  // namespace
}  // namespace kestrova::encoding
