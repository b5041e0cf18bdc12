#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decode_test_support.hpp"
#include "encoding/content_type.hpp"
#include "encoding/decode.hpp"

namespace kestrova::encoding {
namespace {

using Parameters = std::vector<std::pair<std::string, std::string>>;

TEST(MediaType, ParsesTypeSubtypeAndParameters) {
    const struct {
        std::string text;
        std::string type, subtype;
        Parameters parameters;
    } cases[] = {
        {"text/plain", "text", "plain", {}},
        {" \t Text/HTML ; Charset=UTF-8 \r\n", "text", "html", {{"charset", "UTF-8"}}},
        {"text/plain;charset=\"latin1\"", "text", "plain", {{"charset", "latin1"}}},
        {R"(text/plain; charset="a\"b\\c")", "text", "plain", {{"charset", R"(a"b\c)"}}},
        {"text/plain; charset=\"open", "text", "plain", {{"charset", "open"}}},
        {"text/plain; charset=\"x\\", "text", "plain", {{"charset", "x\\"}}},
        {"text/plain; charset=\"utf-8\" junk; x=y",
         "text",
         "plain",
         {{"charset", "utf-8"}, {"x", "y"}}},
        {"text/plain; charset=utf-8; CHARSET=latin1", "text", "plain", {{"charset", "utf-8"}}},
        {"text/plain; charset=; charset=koi8-r", "text", "plain", {{"charset", "koi8-r"}}},
        {"text/plain; charset; a=b", "text", "plain", {{"a", "b"}}},
        {"text/plain;;; charset=latin1;", "text", "plain", {{"charset", "latin1"}}},
        {"text/plain; charset =latin1", "text", "plain", {}},  // "charset " is no token
        {"text/plain; charset= latin1 ", "text", "plain", {{"charset", " latin1"}}},
        {"text/plain; charset=utf-8 ; x", "text", "plain", {{"charset", "utf-8"}}},
        {"text/plain; ch@rset=latin1; q=\"\"", "text", "plain", {{"q", ""}}},
        {"text/plain; charset=a\x7F", "text", "plain", {}},
        {"application/vnd.api+json;v=1", "application", "vnd.api+json", {{"v", "1"}}},
    };
    for (const auto& c : cases) {
        const std::optional<MediaType> parsed = parse_media_type(c.text);
        ASSERT_TRUE(parsed.has_value()) << c.text;
        EXPECT_EQ(parsed->type, c.type) << c.text;
        EXPECT_EQ(parsed->subtype, c.subtype) << c.text;
        EXPECT_EQ(parsed->parameters, c.parameters) << c.text;
    }
}

TEST(MediaType, RejectsMalformedTypes) {
    for (const char* text : {"", "   ", "text", "text/", "/plain", "text/ ;charset=utf-8",
                             "te xt/plain", "text/pl ain", "text/plain,text/html", "text/\"plain\"",
                             "text(/plain", "text/plain/x@y", ";charset=utf-8", "text\\/plain"}) {
        EXPECT_FALSE(parse_media_type(text).has_value()) << text;
    }
}

TEST(ContentType, CharsetOnlyFromPrintableWellFormedValues) {
    const struct {
        std::string content_type;
        std::optional<std::string> charset;
    } cases[] = {
        {"text/plain; charset=utf-16le", "utf-16le"},
        {"text/plain;\tcharset=latin1", "latin1"},
        {"application/json", std::nullopt},
        {"text/plain; charset=\xC3\xA9", std::nullopt},        // beyond ASCII
        {"text/plain; x=\xE9; charset=latin1", std::nullopt},  // anywhere in the value
        {"text/plain;\r\n charset=latin1", std::nullopt},      // line breaks
        {std::string("text/plain; charset=latin1\0", 27), std::nullopt},
        {"text/plain; charset=latin1\x7F", std::nullopt},
        {"text; charset=latin1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(charset_parameter(c.content_type), c.charset)
            << ::testing::PrintToString(c.content_type);
    }
}

TEST(ContentType, SelectsTheDecoderOrFallsBackToUtf8) {
    const std::string fffd = testing::kFffd;
    const std::string e_acute = "\xC3\xA9";
    const struct {
        std::optional<std::string> content_type;
        std::string body;
        std::string expected;
    } cases[] = {
        {std::nullopt, "\xE9", fffd},
        {std::nullopt, "caf\xC3\xA9", "caf" + e_acute},
        {"text/plain; charset=utf-16le", std::string("A\0\xE9\0", 4), "A" + e_acute},
        {"text/plain; charset=UTF-16", std::string("A\0", 2), "A"},
        {"text/plain; charset=\"latin1\"", "\xE9", e_acute},
        {"TEXT/PLAIN; CHARSET=LATIN1", "\xE9", e_acute},
        {"text/plain; charset=\" latin1\t\"", "\xE9", e_acute},  // label whitespace is trimmed
        {"text/plain; charset= latin1", "\xE9", e_acute},
        {"text/plain; foo=bar; charset=koi8-r", "\xC1", "\xD0\xB0"},
        {"text/plain; charset=utf-8; charset=latin1", "\xE9", fffd},
        {"text/plain; charset=unknown", "\xE9", fffd},
        {"text/plain; charset=latin1, text/html", "\xE9", fffd},
        {"text/plain; charset =latin1", "\xE9", fffd},
        {"text; charset=latin1", "\xE9", fffd},
        {"", "\xE9", fffd},
        {"text/plain", "\xE9", fffd},
        {"text/plain; charset=latin1\xC3\xA9", "\xE9", fffd},
        {"text/plain;\n charset=latin1", "\xE9", fffd},
        {"application/json; charset=shift_jis", "\x82\xA0", "\xE3\x81\x82"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decode_body(c.body, c.content_type), c.expected)
            << c.content_type.value_or("<no header>");
    }
}

}  // namespace
}  // namespace kestrova::encoding
