#include "encoding/labels.hpp"

#include <array>
#include <cstddef>

namespace kestrova::encoding {
namespace {

struct Label {
    std::string_view text;  // lower case
    Encoding encoding;
};

constexpr Label kLabels[] = {
    // UTF-8
    {"unicode-1-1-utf-8", Encoding::Utf8},
    {"unicode11utf8", Encoding::Utf8},
    {"unicode20utf8", Encoding::Utf8},
    {"utf-8", Encoding::Utf8},
    {"utf8", Encoding::Utf8},
    {"x-unicode20utf8", Encoding::Utf8},
    // IBM866
    {"866", Encoding::Ibm866},
    {"cp866", Encoding::Ibm866},
    {"csibm866", Encoding::Ibm866},
    {"ibm866", Encoding::Ibm866},
    // ISO-8859-2
    {"csisolatin2", Encoding::Iso8859_2},
    {"iso-8859-2", Encoding::Iso8859_2},
    {"iso-ir-101", Encoding::Iso8859_2},
    {"iso8859-2", Encoding::Iso8859_2},
    {"iso88592", Encoding::Iso8859_2},
    {"iso_8859-2", Encoding::Iso8859_2},
    {"iso_8859-2:1987", Encoding::Iso8859_2},
    {"l2", Encoding::Iso8859_2},
    {"latin2", Encoding::Iso8859_2},
    // ISO-8859-3
    {"csisolatin3", Encoding::Iso8859_3},
    {"iso-8859-3", Encoding::Iso8859_3},
    {"iso-ir-109", Encoding::Iso8859_3},
    {"iso8859-3", Encoding::Iso8859_3},
    {"iso88593", Encoding::Iso8859_3},
    {"iso_8859-3", Encoding::Iso8859_3},
    {"iso_8859-3:1988", Encoding::Iso8859_3},
    {"l3", Encoding::Iso8859_3},
    {"latin3", Encoding::Iso8859_3},
    // ISO-8859-4
    {"csisolatin4", Encoding::Iso8859_4},
    {"iso-8859-4", Encoding::Iso8859_4},
    {"iso-ir-110", Encoding::Iso8859_4},
    {"iso8859-4", Encoding::Iso8859_4},
    {"iso88594", Encoding::Iso8859_4},
    {"iso_8859-4", Encoding::Iso8859_4},
    {"iso_8859-4:1988", Encoding::Iso8859_4},
    {"l4", Encoding::Iso8859_4},
    {"latin4", Encoding::Iso8859_4},
    // ISO-8859-5
    {"csisolatincyrillic", Encoding::Iso8859_5},
    {"cyrillic", Encoding::Iso8859_5},
    {"iso-8859-5", Encoding::Iso8859_5},
    {"iso-ir-144", Encoding::Iso8859_5},
    {"iso8859-5", Encoding::Iso8859_5},
    {"iso88595", Encoding::Iso8859_5},
    {"iso_8859-5", Encoding::Iso8859_5},
    {"iso_8859-5:1988", Encoding::Iso8859_5},
    // ISO-8859-6
    {"arabic", Encoding::Iso8859_6},
    {"asmo-708", Encoding::Iso8859_6},
    {"csiso88596e", Encoding::Iso8859_6},
    {"csiso88596i", Encoding::Iso8859_6},
    {"csisolatinarabic", Encoding::Iso8859_6},
    {"ecma-114", Encoding::Iso8859_6},
    {"iso-8859-6", Encoding::Iso8859_6},
    {"iso-8859-6-e", Encoding::Iso8859_6},
    {"iso-8859-6-i", Encoding::Iso8859_6},
    {"iso-ir-127", Encoding::Iso8859_6},
    {"iso8859-6", Encoding::Iso8859_6},
    {"iso88596", Encoding::Iso8859_6},
    {"iso_8859-6", Encoding::Iso8859_6},
    {"iso_8859-6:1987", Encoding::Iso8859_6},
    // ISO-8859-7
    {"csisolatingreek", Encoding::Iso8859_7},
    {"ecma-118", Encoding::Iso8859_7},
    {"elot_928", Encoding::Iso8859_7},
    {"greek", Encoding::Iso8859_7},
    {"greek8", Encoding::Iso8859_7},
    {"iso-8859-7", Encoding::Iso8859_7},
    {"iso-ir-126", Encoding::Iso8859_7},
    {"iso8859-7", Encoding::Iso8859_7},
    {"iso88597", Encoding::Iso8859_7},
    {"iso_8859-7", Encoding::Iso8859_7},
    {"iso_8859-7:1987", Encoding::Iso8859_7},
    {"sun_eu_greek", Encoding::Iso8859_7},
    // ISO-8859-8
    {"csiso88598e", Encoding::Iso8859_8},
    {"csisolatinhebrew", Encoding::Iso8859_8},
    {"hebrew", Encoding::Iso8859_8},
    {"iso-8859-8", Encoding::Iso8859_8},
    {"iso-8859-8-e", Encoding::Iso8859_8},
    {"iso-ir-138", Encoding::Iso8859_8},
    {"iso8859-8", Encoding::Iso8859_8},
    {"iso88598", Encoding::Iso8859_8},
    {"iso_8859-8", Encoding::Iso8859_8},
    {"iso_8859-8:1988", Encoding::Iso8859_8},
    {"visual", Encoding::Iso8859_8},
    // ISO-8859-8-I
    {"csiso88598i", Encoding::Iso8859_8I},
    {"iso-8859-8-i", Encoding::Iso8859_8I},
    {"logical", Encoding::Iso8859_8I},
    // ISO-8859-10
    {"csisolatin6", Encoding::Iso8859_10},
    {"iso-8859-10", Encoding::Iso8859_10},
    {"iso-ir-157", Encoding::Iso8859_10},
    {"iso8859-10", Encoding::Iso8859_10},
    {"iso885910", Encoding::Iso8859_10},
    {"l6", Encoding::Iso8859_10},
    {"latin6", Encoding::Iso8859_10},
    // ISO-8859-13
    {"iso-8859-13", Encoding::Iso8859_13},
    {"iso8859-13", Encoding::Iso8859_13},
    {"iso885913", Encoding::Iso8859_13},
    // ISO-8859-14
    {"iso-8859-14", Encoding::Iso8859_14},
    {"iso8859-14", Encoding::Iso8859_14},
    {"iso885914", Encoding::Iso8859_14},
    // ISO-8859-15
    {"csisolatin9", Encoding::Iso8859_15},
    {"iso-8859-15", Encoding::Iso8859_15},
    {"iso8859-15", Encoding::Iso8859_15},
    {"iso885915", Encoding::Iso8859_15},
    {"iso_8859-15", Encoding::Iso8859_15},
    {"l9", Encoding::Iso8859_15},
    // ISO-8859-16
    {"iso-8859-16", Encoding::Iso8859_16},
    // KOI8-R
    {"cskoi8r", Encoding::Koi8R},
    {"koi", Encoding::Koi8R},
    {"koi8", Encoding::Koi8R},
    {"koi8-r", Encoding::Koi8R},
    {"koi8_r", Encoding::Koi8R},
    // KOI8-U
    {"koi8-ru", Encoding::Koi8U},
    {"koi8-u", Encoding::Koi8U},
    // macintosh
    {"csmacintosh", Encoding::Macintosh},
    {"mac", Encoding::Macintosh},
    {"macintosh", Encoding::Macintosh},
    {"x-mac-roman", Encoding::Macintosh},
    // windows-874
    {"dos-874", Encoding::Windows874},
    {"iso-8859-11", Encoding::Windows874},
    {"iso8859-11", Encoding::Windows874},
    {"iso885911", Encoding::Windows874},
    {"tis-620", Encoding::Windows874},
    {"windows-874", Encoding::Windows874},
    // windows-1250
    {"cp1250", Encoding::Windows1250},
    {"windows-1250", Encoding::Windows1250},
    {"x-cp1250", Encoding::Windows1250},
    // windows-1251
    {"cp1251", Encoding::Windows1251},
    {"windows-1251", Encoding::Windows1251},
    {"x-cp1251", Encoding::Windows1251},
    // windows-1252
    {"ansi_x3.4-1968", Encoding::Windows1252},
    {"ascii", Encoding::Windows1252},
    {"cp1252", Encoding::Windows1252},
    {"cp819", Encoding::Windows1252},
    {"csisolatin1", Encoding::Windows1252},
    {"ibm819", Encoding::Windows1252},
    {"iso-8859-1", Encoding::Windows1252},
    {"iso-ir-100", Encoding::Windows1252},
    {"iso8859-1", Encoding::Windows1252},
    {"iso88591", Encoding::Windows1252},
    {"iso_8859-1", Encoding::Windows1252},
    {"iso_8859-1:1987", Encoding::Windows1252},
    {"l1", Encoding::Windows1252},
    {"latin1", Encoding::Windows1252},
    {"us-ascii", Encoding::Windows1252},
    {"windows-1252", Encoding::Windows1252},
    {"x-cp1252", Encoding::Windows1252},
    // windows-1253
    {"cp1253", Encoding::Windows1253},
    {"windows-1253", Encoding::Windows1253},
    {"x-cp1253", Encoding::Windows1253},
    // windows-1254
    {"cp1254", Encoding::Windows1254},
    {"csisolatin5", Encoding::Windows1254},
    {"iso-8859-9", Encoding::Windows1254},
    {"iso-ir-148", Encoding::Windows1254},
    {"iso8859-9", Encoding::Windows1254},
    {"iso88599", Encoding::Windows1254},
    {"iso_8859-9", Encoding::Windows1254},
    {"iso_8859-9:1989", Encoding::Windows1254},
    {"l5", Encoding::Windows1254},
    {"latin5", Encoding::Windows1254},
    {"windows-1254", Encoding::Windows1254},
    {"x-cp1254", Encoding::Windows1254},
    // windows-1255
    {"cp1255", Encoding::Windows1255},
    {"windows-1255", Encoding::Windows1255},
    {"x-cp1255", Encoding::Windows1255},
    // windows-1256
    {"cp1256", Encoding::Windows1256},
    {"windows-1256", Encoding::Windows1256},
    {"x-cp1256", Encoding::Windows1256},
    // windows-1257
    {"cp1257", Encoding::Windows1257},
    {"windows-1257", Encoding::Windows1257},
    {"x-cp1257", Encoding::Windows1257},
    // windows-1258
    {"cp1258", Encoding::Windows1258},
    {"windows-1258", Encoding::Windows1258},
    {"x-cp1258", Encoding::Windows1258},
    // x-mac-cyrillic
    {"x-mac-cyrillic", Encoding::XMacCyrillic},
    {"x-mac-ukrainian", Encoding::XMacCyrillic},
    // GBK
    {"chinese", Encoding::Gbk},
    {"csgb2312", Encoding::Gbk},
    {"csiso58gb231280", Encoding::Gbk},
    {"gb2312", Encoding::Gbk},
    {"gb_2312", Encoding::Gbk},
    {"gb_2312-80", Encoding::Gbk},
    {"gbk", Encoding::Gbk},
    {"iso-ir-58", Encoding::Gbk},
    {"x-gbk", Encoding::Gbk},
    // gb18030
    {"gb18030", Encoding::Gb18030},
    // Big5
    {"big5", Encoding::Big5},
    {"big5-hkscs", Encoding::Big5},
    {"cn-big5", Encoding::Big5},
    {"csbig5", Encoding::Big5},
    {"x-x-big5", Encoding::Big5},
    // EUC-JP
    {"cseucpkdfmtjapanese", Encoding::EucJp},
    {"euc-jp", Encoding::EucJp},
    {"x-euc-jp", Encoding::EucJp},
    // ISO-2022-JP
    {"csiso2022jp", Encoding::Iso2022Jp},
    {"iso-2022-jp", Encoding::Iso2022Jp},
    // Shift_JIS
    {"csshiftjis", Encoding::ShiftJis},
    {"ms932", Encoding::ShiftJis},
    {"ms_kanji", Encoding::ShiftJis},
    {"shift-jis", Encoding::ShiftJis},
    {"shift_jis", Encoding::ShiftJis},
    {"sjis", Encoding::ShiftJis},
    {"windows-31j", Encoding::ShiftJis},
    {"x-sjis", Encoding::ShiftJis},
    // EUC-KR
    {"cseuckr", Encoding::EucKr},
    {"csksc56011987", Encoding::EucKr},
    {"euc-kr", Encoding::EucKr},
    {"iso-ir-149", Encoding::EucKr},
    {"korean", Encoding::EucKr},
    {"ks_c_5601-1987", Encoding::EucKr},
    {"ks_c_5601-1989", Encoding::EucKr},
    {"ksc5601", Encoding::EucKr},
    {"ksc_5601", Encoding::EucKr},
    {"windows-949", Encoding::EucKr},
    // replacement
    {"csiso2022kr", Encoding::Replacement},
    {"hz-gb-2312", Encoding::Replacement},
    {"iso-2022-cn", Encoding::Replacement},
    {"iso-2022-cn-ext", Encoding::Replacement},
    {"iso-2022-kr", Encoding::Replacement},
    {"replacement", Encoding::Replacement},
    // UTF-16BE
    {"unicodefffe", Encoding::Utf16Be},
    {"utf-16be", Encoding::Utf16Be},
    // UTF-16LE
    {"csunicode", Encoding::Utf16Le},
    {"iso-10646-ucs-2", Encoding::Utf16Le},
    {"ucs-2", Encoding::Utf16Le},
    {"unicode", Encoding::Utf16Le},
    {"unicodefeff", Encoding::Utf16Le},
    {"utf-16", Encoding::Utf16Le},
    {"utf-16le", Encoding::Utf16Le},
    // x-user-defined
    {"x-user-defined", Encoding::XUserDefined},
};

constexpr std::array<std::string_view, 40> kNames = {
    "UTF-8",        "IBM866",       "ISO-8859-2",   "ISO-8859-3",     "ISO-8859-4",
    "ISO-8859-5",   "ISO-8859-6",   "ISO-8859-7",   "ISO-8859-8",     "ISO-8859-8-I",
    "ISO-8859-10",  "ISO-8859-13",  "ISO-8859-14",  "ISO-8859-15",    "ISO-8859-16",
    "KOI8-R",       "KOI8-U",       "macintosh",    "windows-874",    "windows-1250",
    "windows-1251", "windows-1252", "windows-1253", "windows-1254",   "windows-1255",
    "windows-1256", "windows-1257", "windows-1258", "x-mac-cyrillic", "GBK",
    "gb18030",      "Big5",         "EUC-JP",       "ISO-2022-JP",    "Shift_JIS",
    "EUC-KR",       "replacement",  "UTF-16BE",     "UTF-16LE",       "x-user-defined",
};
static_assert(kNames.size() == static_cast<std::size_t>(Encoding::XUserDefined) + 1);

constexpr bool is_ascii_whitespace(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

constexpr char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (ascii_lower(text[i]) != lower[i]) return false;
    }
    return true;
}

}  // namespace

std::string_view encoding_name(Encoding encoding) {
    return kNames[static_cast<std::size_t>(encoding)];
}

std::optional<Encoding> encoding_for_label(std::string_view label) {
    while (!label.empty() && is_ascii_whitespace(label.front())) label.remove_prefix(1);
    while (!label.empty() && is_ascii_whitespace(label.back())) label.remove_suffix(1);
    for (const Label& entry : kLabels) {
        if (equals_ignoring_ascii_case(label, entry.text)) return entry.encoding;
    }
    return std::nullopt;
}

}  // namespace kestrova::encoding
