// Single-byte encodings: ASCII below 0x80, a 128-entry table above. The tables come
// from ICU's converters, mended where ICU differs from the Encoding Standard's indexes.
#include <array>
#include <cstddef>
#include <mutex>
#include <span>

#include "encoding/decoders.hpp"
#include "encoding/icu_lookup.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

using Table = std::array<char16_t, 128>;  // byte - 0x80 -> code point, 0 when unmapped

struct Mend {
    unsigned char byte;
    char16_t code_point;  // 0: unmapped
};

struct Source {
    Encoding encoding;
    const char* icu_name;  // nullptr: built from Latin-1 and the mends alone
    std::span<const Mend> mends;
};

// ICU ships no ISO-8859-16 converter: Latin-1 with its letters replaced.
constexpr Mend kIso8859_16FromLatin1[] = {
    {0xA1, 0x0104}, {0xA2, 0x0105}, {0xA3, 0x0141}, {0xA4, 0x20AC}, {0xA5, 0x201E}, {0xA6, 0x0160},
    {0xA8, 0x0161}, {0xAA, 0x0218}, {0xAC, 0x0179}, {0xAE, 0x017A}, {0xAF, 0x017B}, {0xB2, 0x010C},
    {0xB3, 0x0142}, {0xB4, 0x017D}, {0xB5, 0x201D}, {0xB8, 0x017E}, {0xB9, 0x010D}, {0xBA, 0x0219},
    {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}, {0xBF, 0x017C}, {0xC3, 0x0102}, {0xC5, 0x0106},
    {0xD0, 0x0110}, {0xD1, 0x0143}, {0xD5, 0x0150}, {0xD7, 0x015A}, {0xD8, 0x0170}, {0xDD, 0x0118},
    {0xDE, 0x021A}, {0xE3, 0x0103}, {0xE5, 0x0107}, {0xF0, 0x0111}, {0xF1, 0x0144}, {0xF5, 0x0151},
    {0xF7, 0x015B}, {0xF8, 0x0171}, {0xFD, 0x0119}, {0xFE, 0x021B}};

// ICU's KOI8-U has box drawing where the Encoding Standard has the Ukrainian letters.
constexpr Mend kKoi8UMends[] = {{0xAE, 0x045E}, {0xBE, 0x040E}};

// ICU maps the unassigned bytes into the private use area.
constexpr Mend kWindows874Mends[] = {{0xDB, 0}, {0xDC, 0}, {0xDD, 0}, {0xDE, 0},
                                     {0xFC, 0}, {0xFD, 0}, {0xFE, 0}, {0xFF, 0}};

// ICU has a character at 0xAA, which the Encoding Standard leaves unassigned.
constexpr Mend kWindows1253Mends[] = {{0xAA, 0}};

// ICU lacks the Hebrew point at 0xCA.
constexpr Mend kWindows1255Mends[] = {{0xCA, 0x05BA}};

const Source kSources[] = {
    {Encoding::Ibm866, "ibm-866", {}},
    {Encoding::Iso8859_2, "ISO-8859-2", {}},
    {Encoding::Iso8859_3, "ISO-8859-3", {}},
    {Encoding::Iso8859_4, "ISO-8859-4", {}},
    {Encoding::Iso8859_5, "ISO-8859-5", {}},
    {Encoding::Iso8859_6, "ISO-8859-6", {}},
    {Encoding::Iso8859_7, "ISO-8859-7", {}},
    {Encoding::Iso8859_8, "ISO-8859-8", {}},
    {Encoding::Iso8859_8I, "ISO-8859-8", {}},
    {Encoding::Iso8859_10, "ISO-8859-10", {}},
    {Encoding::Iso8859_13, "ISO-8859-13", {}},
    {Encoding::Iso8859_14, "ISO-8859-14", {}},
    {Encoding::Iso8859_15, "ISO-8859-15", {}},
    {Encoding::Iso8859_16, nullptr, kIso8859_16FromLatin1},
    {Encoding::Koi8R, "KOI8-R", {}},
    {Encoding::Koi8U, "KOI8-U", kKoi8UMends},
    {Encoding::Macintosh, "macintosh", {}},
    {Encoding::Windows874, "windows-874", kWindows874Mends},
    {Encoding::Windows1250, "windows-1250", {}},
    {Encoding::Windows1251, "windows-1251", {}},
    {Encoding::Windows1252, "windows-1252", {}},
    {Encoding::Windows1253, "windows-1253", kWindows1253Mends},
    {Encoding::Windows1254, "windows-1254", {}},
    {Encoding::Windows1255, "windows-1255", kWindows1255Mends},
    {Encoding::Windows1256, "windows-1256", {}},
    {Encoding::Windows1257, "windows-1257", {}},
    {Encoding::Windows1258, "windows-1258", {}},
    {Encoding::XMacCyrillic, "x-mac-cyrillic", {}},
};
constexpr std::size_t kSourceCount = std::size(kSources);

Table build_table(const Source& source) {
    Table table{};
    if (source.icu_name == nullptr) {
        for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char16_t>(0x80 + i);
    } else {
        IcuLookup lookup(source.icu_name);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const char byte = static_cast<char>(0x80 + i);
            const char32_t code_point = lookup.code_point(std::string_view(&byte, 1));
            table[i] = code_point <= 0xFFFF ? static_cast<char16_t>(code_point) : 0;
        }
    }
    for (const Mend& mend : source.mends) table[mend.byte - 0x80] = mend.code_point;
    return table;
}

const Table* table_for(Encoding encoding) {
    static std::array<std::once_flag, kSourceCount> built;
    static std::array<Table, kSourceCount> tables;
    for (std::size_t i = 0; i < kSourceCount; ++i) {
        if (kSources[i].encoding != encoding) continue;
        std::call_once(built[i], [i] { tables[i] = build_table(kSources[i]); });
        return &tables[i];
    }
    return nullptr;
}

}  // namespace

void decode_single_byte(Encoding encoding, std::string_view bytes, std::string& out) {
    const Table* table = table_for(encoding);
    out.reserve(out.size() + bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
            continue;
        }
        const char16_t code_point = table != nullptr ? (*table)[byte - 0x80] : char16_t{0};
        if (code_point == 0) {
            append_replacement(out);
        } else {
            append_utf8(out, code_point);
        }
    }
}

void decode_x_user_defined(std::string_view bytes, std::string& out) {
    out.reserve(out.size() + bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            append_utf8(out, 0xF780 + byte - 0x80);
        }
    }
}

}  // namespace kestrova::encoding
