#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode_test_support.hpp"
#include "encoding/decode.hpp"
#include "encoding/encoding.hpp"

namespace kestrova::encoding {
namespace {

// Random bodies, biased towards the bytes that drive the decoders' states, through
// every encoding: decoding must always finish with valid UTF-8.
TEST(DecodeAnyInput, EveryEncodingGivesValidUtf8) {
    const unsigned char interesting[] = {0x00, 0x0E, 0x0F, 0x1B, 0x24, 0x28, 0x30, 0x39,
                                         0x40, 0x42, 0x5C, 0x7E, 0x7F, 0x80, 0x81, 0x8E,
                                         0x8F, 0xA0, 0xA1, 0xC2, 0xD8, 0xDC, 0xDF, 0xE0,
                                         0xED, 0xF0, 0xF4, 0xFC, 0xFD, 0xFE, 0xFF};
    // The check itself must reject what a faulty decoder could produce.
    for (const char* bad : {"\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
        ASSERT_FALSE(testing::is_valid_utf8(bad)) << bad;
    }
    std::mt19937 random(20240918);
    for (int e = 0; e <= static_cast<int>(Encoding::XUserDefined); ++e) {
        const std::string label(encoding_name(static_cast<Encoding>(e)));
        for (int round = 0; round < 300; ++round) {
            std::string body(random() % 40, '\0');
            for (char& c : body) {
                const unsigned pick = random();
                c = static_cast<char>(pick % 2 == 0
                                          ? interesting[(pick >> 1) % std::size(interesting)]
                                          : (pick >> 1) & 0xFF);
            }
            const std::string text = testing::decode_labelled(body, label);
            ASSERT_TRUE(testing::is_valid_utf8(text))
                << label << " " << ::testing::PrintToString(body);
        }
    }
}

}  // namespace
}  // namespace kestrova::encoding
