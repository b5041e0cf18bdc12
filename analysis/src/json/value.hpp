// In-memory JSON values. Numbers keep the kind the reader gave them (unsigned
// 64-bit, signed 64-bit for negative integers, double); objects keep their
// members sorted bytewise by key, which is the order every writer needs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace kestrova::json {

struct Value;
using Array = std::vector<Value>;
// std::less<std::string> compares like memcmp, i.e. bytewise on UTF-8.
using Object = std::map<std::string, Value, std::less<>>;

struct Value {
    using Data = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double,
                              std::string, Array, Object>;
    Data data{nullptr};

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : data(b) {}
    Value(std::uint64_t u) : data(u) {}
    Value(std::int64_t i) : data(i) {}
    Value(double d) : data(d) {}
    Value(std::string s) : data(std::move(s)) {}
    Value(const char* s) : data(std::string(s)) {}
    Value(Array a) : data(std::move(a)) {}
    Value(Object o) : data(std::move(o)) {}

    bool is_null() const { return std::holds_alternative<std::nullptr_t>(data); }
    bool is_number() const {
        return std::holds_alternative<std::uint64_t>(data) ||
               std::holds_alternative<std::int64_t>(data) || std::holds_alternative<double>(data);
    }
    // The number as a double (integers converted to the nearest double); 0.0 otherwise.
    double as_double() const {
        if (auto* d = std::get_if<double>(&data)) return *d;
        if (auto* u = std::get_if<std::uint64_t>(&data)) return static_cast<double>(*u);
        if (auto* i = std::get_if<std::int64_t>(&data)) return static_cast<double>(*i);
        return 0.0;
    }

    friend bool operator==(const Value&, const Value&) = default;
};

}  // namespace kestrova::json
