#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "decode_test_support.hpp"
#include "encoding/decode.hpp"

namespace kestrova::encoding {
namespace {

using namespace std::string_literals;
using testing::decode_labelled;
using testing::utf8;

struct Case {
    std::string bytes;
    std::u32string expected;
};

constexpr char32_t R = 0xFFFD;

TEST(DecodeUtf8, MaximalSubpartsBecomeOneReplacementEach) {
    const Case cases[] = {
        {"", U""},
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", U"a\u00E9\u20AC\U0001F600"},
        {"\x80", {R}},
        {"\xBF\x80", {R, R}},
        {"\xC0\x80", {R, R}},  // overlong leads are never valid
        {"\xC1\xBF", {R, R}},
        {"\xC2", {R}},  // truncated at the end: one replacement
        {"\xC2\x41", {R, 'A'}},
        {"\xC2\xC2\xA9", {R, 0xA9}},
        {"\xE0\x80\x80", {R, R, R}},  // E0 needs A0..BF next
        {"\xE0\x9F\xBF", {R, R, R}},
        {"\xE0\xA0\x80", {0x800}},
        {"\xE0\xA0", {R}},
        {"\xE0\xA0\x41", {R, 'A'}},
        {"\xED\x9F\xBF", {0xD7FF}},
        {"\xED\xA0\x80", {R, R, R}},  // surrogates
        {"\xED\xBF\xBF", {R, R, R}},
        {"\xEF\xBF\xBF", {0xFFFF}},
        {"\xF0\x8F\xBF\xBF", {R, R, R, R}},  // F0 needs 90..BF next
        {"\xF0\x90\x80\x80", {0x10000}},
        {"\xF0\x90\x80", {R}},
        {"\xF4\x8F\xBF\xBF", {0x10FFFF}},
        {"\xF4\x90\x80\x80", {R, R, R, R}},  // above U+10FFFF
        {"\xF5\x80\x80\x80", {R, R, R, R}},
        {"\xF8\x88\x80\x80\x80", {R, R, R, R, R}},
        {"\xFE\xFE\xFF", {R, R, R}},
        {"\xF1\x80\x80\xE1\x80\xC2", {R, R, R}},
        {"a\xF1\x80\x80\xE1\x80\xC2"
         "b\x80"
         "c\x80\xBF"
         "d",
         {'a', R, R, R, 'b', R, 'c', R, R, 'd'}},
        {"\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", {R, R, R, R, 'A'}},
        {"\x00\x7F"s, {0, 0x7F}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode_body(c.bytes, std::nullopt), utf8(c.expected))
            << ::testing::PrintToString(c.bytes);
    }
}

// The ASCII fast path reads eight bytes at a time; errors and multi-byte characters
// must be found at every offset within and across those words.
TEST(DecodeUtf8, EveryOffsetAroundTheAsciiFastPath) {
    for (std::size_t offset = 0; offset < 20; ++offset) {
        const std::string prefix(offset, 'x');
        const std::string suffix(19 - offset, 'y');
        EXPECT_EQ(decode_body(prefix + "\x80" + suffix, std::nullopt),
                  prefix + testing::kFffd + suffix)
            << offset;
        EXPECT_EQ(decode_body(prefix + "\xF0\x9F\x98\x80" + suffix, std::nullopt),
                  prefix + "\xF0\x9F\x98\x80" + suffix)
            << offset;
        EXPECT_EQ(decode_body(prefix + "\xE2\x82", std::nullopt), prefix + testing::kFffd)
            << offset;
    }
}

std::string swap_pairs(std::string bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

// Written little-endian; the big-endian form swaps each pair (an odd last byte stays).
TEST(DecodeUtf16, SurrogatesAndOddLengthsInBothByteOrders) {
    const Case cases[] = {
        {"", U""},
        {"A\0"s, U"A"},
        {"A\0\xE9\0\xAC\x20"s, U"A\u00E9\u20AC"},
        {"A\0B"s, {'A', R}},  // odd trailing byte
        {"\x3D\xD8\x00\xDE"s, {0x1F600}},
        {"\xFF\xDB\xFF\xDF"s, {0x10FFFF}},
        {"\x3D\xD8"s, {R}},  // leading surrogate at the end
        {"\x3D\xD8"
         "A\0"s,
         {R, 'A'}},  // leading surrogate before a plain unit
        {"\x00\xDE"
         "A\0"s,
         {R, 'A'}},  // lone trailing surrogate
        {"\x3D\xD8\x3D\xD8\x00\xDE"s, {R, 0x1F600}},
        {"\x3D\xD8\x00\xDE\x00\xDE"s, {0x1F600, R}},
        {"\x3D\xD8"
         "A"s,
         {R}},  // surrogate and odd byte: one error
        {"\x3D\xD8\x00\xDC\x3D"s, {0x1F400, R}},
        {"\xFF\xFF\xFE\xFF"s, {0xFFFF, 0xFFFE}},
    };
    for (const Case& c : cases) {
        const std::string printable = ::testing::PrintToString(c.bytes);
        // A leading FF FE / FE FF would be taken as a byte-order mark, so prefix a unit.
        std::string expected = "Z";
        expected += utf8(c.expected);
        std::string little = "Z\0"s;
        little += c.bytes;
        std::string big = "\0Z"s;
        big += swap_pairs(c.bytes);
        EXPECT_EQ(decode_labelled(little, "utf-16le"), expected) << printable;
        EXPECT_EQ(decode_labelled(big, "utf-16be"), expected) << printable;
    }
}

TEST(DecodeBom, ByteOrderMarkOutranksTheLabelAndIsRemoved) {
    const struct {
        std::string bytes;
        std::optional<std::string> content_type;
        std::string expected;
    } cases[] = {
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9",
         "text/plain; charset=utf-16le", "caf\xC3\xA9"},
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9",
         "text/plain; charset=windows-1252", "caf\xC3\xA9"},
        {"\xFE\xFF\x00\x41\x20\xAC"s, "text/plain; charset=utf-8", "A\xE2\x82\xAC"},
        {"\xFE\xFF\x00\x41"s, "text/plain; charset=utf-16le", "A"},
        {"\xFF\xFE\x41\x00"s, std::nullopt, "A"},
        {"\xFF\xFE\x41\x00"s, "text/plain; charset=utf-16be", "A"},
        {"\xFF\xFE\x41\x00"s, "text/plain; charset=shift_jis", "A"},
        {"\xFF\xFE\x41\x00"s, "text/plain; charset=iso-2022-kr", "A"},  // over "replacement"
        {"\xEF\xBB\xBF", std::nullopt, ""},
        {"\xFF\xFE", "text/plain; charset=utf-16le", ""},
        {"\xFE\xFF\x00"s, std::nullopt, testing::kFffd},
        {"\xEF\xBB\xBF\xEF\xBB\xBF", std::nullopt, "\xEF\xBB\xBF"},  // only the first is a mark
        {"\xFF\xFE\xFF\xFE"s, std::nullopt, "\xEF\xBB\xBF"},         // U+FEFF as text
        {"\xEF\xBB", std::nullopt, testing::kFffd},                  // not a mark: truncated UTF-8
        {"\xEF\xBB"
         "A",
         std::nullopt, testing::kFffd + "A"},
        {"\xFE\xFF", "text/plain; charset=windows-1252", ""},
        {"\xFE\x41", "text/plain; charset=windows-1252",
         "\xC3\xBE"
         "A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decode_body(c.bytes, c.content_type), c.expected)
            << ::testing::PrintToString(c.bytes) << " " << c.content_type.value_or("<none>");
    }
}

TEST(DecodeReplacement, NonEmptyBodyIsOneReplacementCharacter) {
    for (const char* label : {"replacement", "csiso2022kr", "hz-gb-2312", "iso-2022-cn",
                              "iso-2022-cn-ext", "iso-2022-kr"}) {
        EXPECT_EQ(decode_labelled("", label), "") << label;
        EXPECT_EQ(decode_labelled("a", label), testing::kFffd) << label;
        EXPECT_EQ(decode_labelled(std::string(1000, 'x'), label), testing::kFffd) << label;
    }
}

}  // namespace
}  // namespace kestrova::encoding
