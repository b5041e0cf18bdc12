// Shape rules of the scenario document on top of the JSON reader: records in
// object or array form, enumerations, name-keyed maps, lists and plain values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "json/reader.hpp"
#include "vibe/named_map.hpp"

namespace kestrova::shape {

using json::Reader;

std::string read_text(Reader& reader);
double read_number(Reader& reader);
std::size_t read_size(Reader& reader);
std::int32_t read_int32(Reader& reader);
// The index of the spelling given, as a string or as {"spelling": null}.
std::size_t read_variant(Reader& reader, const std::string_view* names, std::size_t count);

template <class Enum, std::size_t N>
Enum read_enum(Reader& reader, const std::array<std::string_view, N>& names) {
    return static_cast<Enum>(read_variant(reader, names.data(), N));
}

// Missing or null: absent.
template <class Read>
auto read_optional(Reader& reader, Read read) -> std::optional<decltype(read(reader))> {
    if (reader.skip_whitespace() == 'n') {
        reader.eat();
        reader.expect_ident("ull");
        return std::nullopt;
    }
    return read(reader);
}

template <class Read>
auto read_list(Reader& reader, Read read) -> std::vector<decltype(read(reader))> {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    if (c != '[') reader.fail_invalid_type("a sequence");
    reader.open_nested();
    std::vector<decltype(read(reader))> items;
    bool first = true;
    while (reader.next_element(first)) items.push_back(read(reader));
    reader.end_array();
    reader.close_nested();
    return items;
}

// A key given twice keeps its first position and takes the later value.
template <class Read>
auto read_map(Reader& reader, Read read) -> NamedMap<decltype(read(reader))> {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    if (c != '{') reader.fail_invalid_type("a map");
    reader.open_nested();
    NamedMap<decltype(read(reader))> entries;
    bool first = true;
    while (reader.next_key(first)) {
        reader.eat();
        std::string key = reader.read_string();
        reader.expect_colon();
        entries.assign(std::move(key), read(reader));
    }
    reader.end_object();
    reader.close_nested();
    return entries;
}

// A member of a record, in declared order. `read` stores a given value (for an
// optional member, null stores nothing); an optional member never given keeps
// the record's default, which is absent.
template <class Record>
struct Field {
    std::string_view name;
    bool required;
    void (*read)(Reader&, Record&);
};

// Errors raised by the shape rules themselves, placed once the record closes.
[[noreturn]] void fail_unplaced(std::string message);
[[noreturn]] void fail_invalid_length(std::size_t found, std::string_view record,
                                      std::size_t members);

template <class Record, std::size_t N>
Record read_record(Reader& reader, std::string_view record_name,
                   const std::array<Field<Record>, N>& fields) {
    const int c = reader.skip_whitespace();
    if (c < 0) reader.fail_at_next("EOF while parsing a value");
    Record record{};
    if (c == '{') {
        reader.open_nested();
        try {
            std::array<bool, N> seen{};
            bool first = true;
            while (reader.next_key(first)) {
                reader.eat();
                const std::string key = reader.read_string();
                std::size_t i = 0;
                while (i < N && fields[i].name != key) ++i;
                if (i == N) {
                    reader.expect_colon();
                    reader.skip_value();
                    continue;
                }
                if (seen[i]) fail_unplaced("duplicate field `" + key + "`");
                seen[i] = true;
                reader.expect_colon();
                fields[i].read(reader, record);
            }
            for (std::size_t i = 0; i < N; ++i) {
                if (fields[i].required && !seen[i]) {
                    fail_unplaced("missing field `" + std::string(fields[i].name) + "`");
                }
            }
        } catch (json::ReadError& error) {
            reader.settle(error, [&reader] { reader.end_object(); });
            throw;
        }
        reader.end_object();
        reader.close_nested();
        return record;
    }
    if (c == '[') {
        reader.open_nested();
        try {
            bool first = true;
            for (std::size_t i = 0; i < N; ++i) {
                if (!reader.next_element(first)) fail_invalid_length(i, record_name, N);
                fields[i].read(reader, record);
            }
        } catch (json::ReadError& error) {
            reader.settle(error, [&reader] { reader.end_array(); });
            throw;
        }
        reader.end_array();
        reader.close_nested();
        return record;
    }
    reader.fail_invalid_type("struct " + std::string(record_name));
}

}  // namespace kestrova::shape
