// ISO-2022-JP: escape sequences switch between ASCII, JIS X 0201 Roman, half-width
// katakana and JIS X 0208 double bytes.
#include "encoding/cjk_indexes.hpp"
#include "encoding/decoders.hpp"
#include "encoding/utf8_output.hpp"

namespace kestrova::encoding {
namespace {

enum class State { Ascii, Roman, Katakana, LeadByte, TrailByte, EscapeStart, Escape };

constexpr unsigned kEscape = 0x1B;

// The state an escape sequence selects, or EscapeStart when it selects none.
State escape_target(unsigned lead, unsigned byte) {
    if (lead == 0x28 && byte == 0x42) return State::Ascii;
    if (lead == 0x28 && byte == 0x4A) return State::Roman;
    if (lead == 0x28 && byte == 0x49) return State::Katakana;
    if (lead == 0x24 && (byte == 0x40 || byte == 0x42)) return State::LeadByte;
    return State::EscapeStart;
}

bool is_ascii_text(unsigned byte) {
    return byte <= 0x7F && byte != 0x0E && byte != 0x0F;
}

}  // namespace

void decode_iso_2022_jp(std::string_view bytes, std::string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    out.reserve(out.size() + size);
    State state = State::Ascii;
    State output_state = State::Ascii;
    unsigned lead = 0;
    // Set by an escape sequence; a second one right after it is an error.
    bool output_flag = false;
    std::size_t i = 0;
    for (;;) {
        const bool at_end = i >= size;
        const unsigned byte = at_end ? 0 : data[i];
        switch (state) {
            case State::Ascii:
            case State::Roman:
            case State::Katakana:
            case State::LeadByte:
                if (at_end) return;
                ++i;
                if (byte == kEscape) {
                    state = State::EscapeStart;
                    break;
                }
                output_flag = false;
                if (state == State::Ascii && is_ascii_text(byte)) {
                    out.push_back(static_cast<char>(byte));
                } else if (state == State::Roman && byte == 0x5C) {
                    append_utf8(out, 0x00A5);
                } else if (state == State::Roman && byte == 0x7E) {
                    append_utf8(out, 0x203E);
                } else if (state == State::Roman && is_ascii_text(byte)) {
                    out.push_back(static_cast<char>(byte));
                } else if (state == State::Katakana && byte >= 0x21 && byte <= 0x5F) {
                    append_utf8(out, 0xFF61 - 0x21 + byte);
                } else if (state == State::LeadByte && byte >= 0x21 && byte <= 0x7E) {
                    lead = byte;
                    state = State::TrailByte;
                } else {
                    append_replacement(out);
                }
                break;
            case State::TrailByte: {
                state = State::LeadByte;
                if (at_end) {
                    append_replacement(out);
                    break;
                }
                ++i;
                if (byte == kEscape) {
                    state = State::EscapeStart;
                    append_replacement(out);
                    break;
                }
                const char32_t code_point =
                    byte >= 0x21 && byte <= 0x7E
                        ? jis0208_code_point((lead - 0x21) * 94 + byte - 0x21)
                        : 0;
                if (code_point == 0) {
                    append_replacement(out);
                } else {
                    append_utf8(out, code_point);
                }
                break;
            }
            case State::EscapeStart:
                if (!at_end && (byte == 0x24 || byte == 0x28)) {
                    lead = byte;
                    state = State::Escape;
                    ++i;
                    break;
                }
                // This byte is read again in the state before the escape.
                output_flag = false;
                state = output_state;
                append_replacement(out);
                break;
            case State::Escape: {
                const State target = at_end ? State::EscapeStart : escape_target(lead, byte);
                lead = 0;
                if (target != State::EscapeStart) {
                    ++i;
                    state = output_state = target;
                    if (output_flag) append_replacement(out);
                    output_flag = true;
                    break;
                }
                // The byte after the escape and this one are read again.
                --i;
                output_flag = false;
                state = output_state;
                append_replacement(out);
                break;
            }
        }
    }
}

}  // namespace kestrova::encoding
