// Helpers for the decoder tests: the reference data of the Encoding Standard (read
// at run time from the shared directory), and UTF-8 spelling of expected text.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "encoding/decode.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding::testing {

inline std::filesystem::path reference_dir() {
    return std::filesystem::path(KESTROVA_SHARED_DIR) / "whatwg-encoding";
}

// Skips the calling test when the reference data is not there.
#define SKIP_WITHOUT_REFERENCE_DATA()                                                         \
    do {                                                                                      \
        if (!std::filesystem::is_directory(::kestrova::encoding::testing::reference_dir())) { \
            GTEST_SKIP() << "no reference data at "                                           \
                         << ::kestrova::encoding::testing::reference_dir();                   \
        }                                                                                     \
    } while (false)

inline std::string read_reference_file(const std::string& name) {
    std::ifstream in(reference_dir() / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An index file: pointer -> code point. Comment lines start with '#'.
inline std::map<std::uint32_t, char32_t> load_index(const std::string& name) {
    std::map<std::uint32_t, char32_t> index;
    std::istringstream lines(read_reference_file("index-" + name + ".txt"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::uint32_t pointer = 0;
        std::string code_point;
        if (fields >> pointer >> code_point) {
            index[pointer] = static_cast<char32_t>(std::stoul(code_point, nullptr, 16));
        }
    }
    return index;
}

inline std::string utf8(std::u32string_view code_points) {
    std::string out;
    for (char32_t code_point : code_points) append_utf8(out, code_point);
    return out;
}

inline std::string utf8(char32_t code_point) {
    std::string out;
    append_utf8(out, code_point);
    return out;
}

inline const std::string kFffd = "\xEF\xBF\xBD";

// Decodes `bytes` as an answer labelled with `label` (Content-Type text/plain).
inline std::string decode_labelled(std::string_view bytes, std::string_view label) {
    const std::string content_type = "text/plain; charset=" + std::string(label);
    return decode_body(bytes, content_type);
}

inline bool is_valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code_point = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code_point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code_point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code_point = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if ((byte & 0xC0) != 0x80) return false;
            code_point = (code_point << 6) | (byte & 0x3F);
        }
        const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code_point < minimum || code_point > 0x10FFFF ||
            (code_point >= 0xD800 && code_point <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace kestrova::encoding::testing
