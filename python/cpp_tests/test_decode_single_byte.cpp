#include <gtest/gtest.h>

#include <string>

#include "decode_test_support.hpp"

namespace kestrova::encoding {
namespace {

using testing::decode_labelled;
using testing::load_index;
using testing::utf8;

struct SingleByte {
    const char* label;
    const char* index;
};

constexpr SingleByte kSingleByteEncodings[] = {
    {"ibm866", "ibm866"},
    {"iso-8859-2", "iso-8859-2"},
    {"iso-8859-3", "iso-8859-3"},
    {"iso-8859-4", "iso-8859-4"},
    {"iso-8859-5", "iso-8859-5"},
    {"iso-8859-6", "iso-8859-6"},
    {"iso-8859-7", "iso-8859-7"},
    {"iso-8859-8", "iso-8859-8"},
    {"iso-8859-8-i", "iso-8859-8"},
    {"iso-8859-10", "iso-8859-10"},
    {"iso-8859-13", "iso-8859-13"},
    {"iso-8859-14", "iso-8859-14"},
    {"iso-8859-15", "iso-8859-15"},
    {"iso-8859-16", "iso-8859-16"},
    {"koi8-r", "koi8-r"},
    {"koi8-u", "koi8-u"},
    {"macintosh", "macintosh"},
    {"windows-874", "windows-874"},
    {"windows-1250", "windows-1250"},
    {"windows-1251", "windows-1251"},
    {"windows-1252", "windows-1252"},
    {"windows-1253", "windows-1253"},
    {"windows-1254", "windows-1254"},
    {"windows-1255", "windows-1255"},
    {"windows-1256", "windows-1256"},
    {"windows-1257", "windows-1257"},
    {"windows-1258", "windows-1258"},
    {"x-mac-cyrillic", "x-mac-cyrillic"},
};

TEST(DecodeSingleByte, EveryByteMatchesTheIndex) {
    SKIP_WITHOUT_REFERENCE_DATA();
    for (const SingleByte& encoding : kSingleByteEncodings) {
        const auto index = load_index(encoding.index);
        ASSERT_FALSE(index.empty()) << encoding.index;
        std::string all_bytes;
        std::u32string all_expected;
        for (int byte = 0; byte < 256; ++byte) {
            char32_t expected = static_cast<char32_t>(byte);
            if (byte >= 0x80) {
                const auto found = index.find(static_cast<std::uint32_t>(byte - 0x80));
                expected = found == index.end() ? char32_t{0xFFFD} : found->second;
            }
            const std::string one(1, static_cast<char>(byte));
            EXPECT_EQ(decode_labelled(one, encoding.label), utf8({&expected, 1}))
                << encoding.label << " byte 0x" << std::hex << byte;
            all_bytes += one;
            all_expected += expected;
        }
        // All bytes in one body, so that no byte disturbs its neighbours.
        EXPECT_EQ(decode_labelled(all_bytes, encoding.label), utf8(all_expected)) << encoding.label;
    }
}

// Labels that name windows-1252 decode 0x80..0x9F by its table (0x81 to U+0081),
// not as ISO-8859-1's C1 controls or as errors.
TEST(DecodeSingleByte, Latin1LabelsMeanWindows1252) {
    for (const char* label : {"iso-8859-1", "latin1", "us-ascii", "ascii", "l1", "cp819"}) {
        EXPECT_EQ(decode_labelled("\x80\x81\x9F\xFF", label),
                  "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC3\xBF")
            << label;
    }
}

TEST(DecodeSingleByte, UserDefinedMapsHighBytesIntoPrivateUse) {
    std::string bytes;
    std::u32string expected;
    for (int byte = 0; byte < 256; ++byte) {
        bytes.push_back(static_cast<char>(byte));
        expected.push_back(byte < 0x80 ? static_cast<char32_t>(byte)
                                       : static_cast<char32_t>(0xF780 + byte - 0x80));
    }
    EXPECT_EQ(decode_labelled(bytes, "x-user-defined"), utf8(expected));
}

}  // namespace
}  // namespace kestrova::encoding
