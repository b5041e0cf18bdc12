// gb18030 through ICU's converter. ICU follows GB 18030-2005; the Encoding
// Standard's two-byte index follows the 2022 edition for the characters that left
// the private use area. Four-byte pointers use ranges derived once from ICU.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "encoding/cjk_indexes.hpp"
#include "encoding/icu_lookup.hpp"
#include "encoding/index_builder.hpp"

namespace kestrova::encoding {
namespace {

constexpr std::size_t kLastBmpPointer = 39419;
constexpr std::size_t kFirstSupplementaryPointer = 189000;
constexpr std::size_t kLastPointer = 1237575;

void two_byte(std::size_t pointer, std::string& bytes) {
    const std::size_t trail = pointer % 190;
    bytes.push_back(static_cast<char>(0x81 + pointer / 190));
    bytes.push_back(static_cast<char>(trail < 0x3F ? 0x40 + trail : 0x41 + trail));
}

void four_byte(std::size_t pointer, std::string& bytes) {
    bytes.push_back(static_cast<char>(0x81 + pointer / 12600));
    bytes.push_back(static_cast<char>(0x30 + pointer / 1260 % 10));
    bytes.push_back(static_cast<char>(0x81 + pointer / 10 % 126));
    bytes.push_back(static_cast<char>(0x30 + pointer % 10));
}

constexpr IndexMend kTwoByteMends[] = {
    {6555, 0x3000, 1},  {7182, 0xFE10, 1},  {7183, 0xFE12, 1},  {7184, 0xFE11, 1},
    {7185, 0xFE13, 4},  {7201, 0xFE17, 2},  {7208, 0xFE19, 1},  {23775, 0x9FB4, 1},
    {23783, 0x9FB5, 1}, {23788, 0x9FB6, 2}, {23795, 0x9FB8, 1}, {23812, 0x9FB9, 1},
    {23829, 0x9FBA, 1}, {23845, 0x9FBB, 1},
};

const std::vector<char32_t>& two_byte_index() {
    static const std::vector<char32_t> index =
        build_index({"gb18030", 126 * 190, two_byte, false, kTwoByteMends});
    return index;
}

// Runs of consecutive pointers that map to consecutive code points (or, with a
// code point of 0, to nothing).
struct Range {
    std::uint32_t pointer;
    char32_t code_point;
};

std::vector<Range> derive_ranges() {
    std::vector<Range> ranges;
    IcuLookup lookup("gb18030");
    std::string bytes;
    char32_t previous = 0;
    for (std::size_t pointer = 0; pointer <= kLastBmpPointer; ++pointer) {
        bytes.clear();
        four_byte(pointer, bytes);
        const char32_t code_point = lookup.code_point(bytes);
        const bool continues = ranges.empty()    ? false
                               : code_point == 0 ? previous == 0
                                                 : previous != 0 && code_point == previous + 1;
        if (!continues) ranges.push_back({static_cast<std::uint32_t>(pointer), code_point});
        previous = code_point;
    }
    return ranges;
}

const std::vector<Range>& bmp_ranges() {
    static const std::vector<Range> ranges = derive_ranges();
    return ranges;
}

}  // namespace

char32_t gb18030_code_point(std::size_t pointer) {
    return index_lookup(two_byte_index(), pointer);
}

char32_t gb18030_ranges_code_point(std::size_t pointer) {
    if ((pointer > kLastBmpPointer && pointer < kFirstSupplementaryPointer) ||
        pointer > kLastPointer) {
        return 0;
    }
    if (pointer == 7457) return 0xE7C7;
    if (pointer >= kFirstSupplementaryPointer) {
        return static_cast<char32_t>(0x10000 + pointer - kFirstSupplementaryPointer);
    }
    const std::vector<Range>& ranges = bmp_ranges();
    auto after = std::upper_bound(ranges.begin(), ranges.end(), pointer,
                                  [](std::size_t p, const Range& r) { return p < r.pointer; });
    if (after == ranges.begin()) return 0;
    const Range& range = *(after - 1);
    if (range.code_point == 0) return 0;
    return range.code_point + static_cast<char32_t>(pointer - range.pointer);
}

}  // namespace kestrova::encoding
