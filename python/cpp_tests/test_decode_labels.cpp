#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "decode_test_support.hpp"
#include "encoding/labels.hpp"
#include "json/reader.hpp"

namespace kestrova::encoding {
namespace {

using testing::read_reference_file;

// (label, encoding name) for every label of encodings.json.
std::vector<std::pair<std::string, std::string>> reference_labels() {
    const std::string text = read_reference_file("encodings.json");
    json::Reader reader(text);
    const json::Value root = reader.read_value();
    std::vector<std::pair<std::string, std::string>> labels;
    for (const json::Value& group : std::get<json::Array>(root.data)) {
        const auto& encodings =
            std::get<json::Array>(std::get<json::Object>(group.data).at("encodings").data);
        for (const json::Value& entry : encodings) {
            const auto& object = std::get<json::Object>(entry.data);
            const auto& name = std::get<std::string>(object.at("name").data);
            for (const json::Value& label : std::get<json::Array>(object.at("labels").data)) {
                labels.emplace_back(std::get<std::string>(label.data), name);
            }
        }
    }
    return labels;
}

std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return text;
}

std::string name_for(std::string_view label) {
    const auto encoding = encoding_for_label(label);
    return encoding ? std::string(encoding_name(*encoding)) : "<none>";
}

TEST(DecodeLabels, EveryReferenceLabelNamesItsEncoding) {
    SKIP_WITHOUT_REFERENCE_DATA();
    const auto labels = reference_labels();
    ASSERT_GT(labels.size(), 200u);
    std::set<std::string> names;
    for (const auto& [label, name] : labels) {
        names.insert(name);
        EXPECT_EQ(name_for(label), name) << label;
        EXPECT_EQ(name_for(upper(label)), name) << upper(label);
        EXPECT_EQ(name_for(" \t\n\f\r" + label + "\r\f\n\t "), name) << label;
    }
    // Every encoding is reachable, and names no more encodings than the reference.
    EXPECT_EQ(names.size(), static_cast<std::size_t>(Encoding::XUserDefined) + 1);
    for (int i = 0; i <= static_cast<int>(Encoding::XUserDefined); ++i) {
        EXPECT_EQ(names.count(std::string(encoding_name(static_cast<Encoding>(i)))), 1u) << i;
    }
}

TEST(DecodeLabels, NearMissesAreUnknown) {
    using namespace std::string_view_literals;
    const std::string_view near_misses[] = {
        ""sv,
        "   "sv,
        "utf-8\v"sv,        // vertical tab is not ASCII whitespace
        "\xC2\xA0utf-8"sv,  // nor is a no-break space
        "utf 8"sv,
        "utf-8;"sv,
        "\"utf-8\""sv,
        "utf-8x"sv,
        "tf-8"sv,
        "utf-8\0"sv,
        "x-user-defined-"sv,
        "\xC5\xBFhift_jis"sv,   // LATIN SMALL LETTER LONG S: no Unicode case folding
        "\xE2\x84\xAAoi8-r"sv,  // KELVIN SIGN
    };
    for (const std::string_view label : near_misses) {
        EXPECT_FALSE(encoding_for_label(label).has_value()) << label;
    }
}

}  // namespace
}  // namespace kestrova::encoding
