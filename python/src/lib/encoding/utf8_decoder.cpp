// UTF-8 by the Encoding Standard: every maximal malformed subpart becomes one U+FFFD.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "encoding/decoders.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

}  // namespace

void decode_utf8(std::string_view bytes, std::string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    out.reserve(out.size() + size);
    // Well-formed input is copied in runs; [run_start, i) is valid and not yet copied.
    std::size_t run_start = 0;
    std::size_t i = 0;
    auto replace = [&](std::size_t bad_start, std::size_t resume) {
        if (bad_start > run_start) out.append(bytes.data() + run_start, bad_start - run_start);
        append_replacement(out);
        run_start = resume;
    };
    while (i < size) {
        while (size - i >= 8) {
            std::uint64_t word;
            std::memcpy(&word, data + i, 8);
            if ((word & kHighBits) != 0) break;
            i += 8;
        }
        if (i >= size) break;
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t needed = 0;
        unsigned char lower = 0x80;
        unsigned char upper = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            if (lead == 0xE0) lower = 0xA0;
            if (lead == 0xED) upper = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            if (lead == 0xF0) lower = 0x90;
            if (lead == 0xF4) upper = 0x8F;
        } else {
            replace(i, i + 1);
            i += 1;
            continue;
        }
        std::size_t j = i + 1;
        for (std::size_t seen = 0; seen < needed; ++seen, ++j) {
            if (j >= size || data[j] < lower || data[j] > upper) break;
            lower = 0x80;
            upper = 0xBF;
        }
        if (j - i - 1 == needed) {
            i = j;
        } else {
            // The byte that broke the sequence (if any) starts afresh.
            replace(i, j);
            i = j;
        }
    }
    out.append(bytes.data() + run_start, size - run_start);
}

}  // namespace kestrova::encoding
