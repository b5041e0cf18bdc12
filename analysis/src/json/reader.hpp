// Strict JSON syntax reading over UTF-8 text, with the error texts and positions
// that reach users. The scenario reader drives it token by token, so shape errors
// can be raised in the middle of a document.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "json/value.hpp"

namespace kestrova::json {

// A reading failure. `consumed` is the number of bytes read when it was found; a
// shape error is raised without one and takes the position where the enclosing
// array or object finishes (see Reader::settle).
struct ReadError {
    std::string message;
    std::optional<std::size_t> consumed;
};

class Reader {
  public:
    // Arrays and objects that may be open at once, counting the outermost.
    static constexpr std::size_t kMaxDepth = 128;

    explicit Reader(std::string_view text) : text_(text) {}

    // The next byte, or -1 at the end of the text.
    int peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1; }
    void eat() { ++pos_; }
    std::size_t consumed() const { return pos_; }
    // Skips whitespace and gives the next byte (or -1).
    int skip_whitespace();

    // Errors at the bytes read so far, and at the next byte (just past the end at the end).
    [[noreturn]] void fail(std::string message) const;
    [[noreturn]] void fail_at_next(std::string message) const;
    // Reads the value at hand only to describe it, then fails with
    // "invalid type: <found>, expected <expectation>".
    [[noreturn]] void fail_invalid_type(std::string_view expectation);
    // Gives an unplaced error the current position after running `finish`, which
    // lets the enclosing array or object close first; errors of `finish` are dropped.
    template <class Finish>
    void settle(ReadError& error, Finish finish) {
        if (error.consumed) return;
        try {
            finish();
        } catch (const ReadError&) {
        }
        error.consumed = pos_;
    }

    // Opening bracket at hand: counts it against the depth limit and eats it.
    void open_nested();
    void close_nested() { --depth_; }

    // Array and object steps. next_element/next_key are true when an element or a
    // key follows (a key's opening quote is left unread); the end_* calls eat the
    // closing bracket.
    bool next_element(bool& first);
    void end_array();
    bool next_key(bool& first);
    void expect_colon();
    void end_object();

    // Remaining letters of true, false or null after the first one was eaten.
    void expect_ident(std::string_view rest);
    // A string whose opening quote was eaten.
    std::string read_string();
    // A number starting at the next byte ('-' or a digit): integers as uint64 or
    // int64 when they fit, anything else as the nearest double.
    Value read_number();
    // Any value, arrays and objects counted against the depth limit; object
    // members keep the last of duplicated keys.
    Value read_value();
    // Checks and passes over any value without building it; nesting is tracked
    // on the heap, so any depth is accepted.
    void skip_value();
    // After the root value: only whitespace may follow.
    void finish();

    // The error text with " at line L column C" appended.
    std::string describe(const ReadError& error) const;

  private:
    void scan_string(std::string* out);
    void scan_escape(std::string* out);
    unsigned read_hex4();
    void skip_number();

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t depth_ = 0;
};

}  // namespace kestrova::json
