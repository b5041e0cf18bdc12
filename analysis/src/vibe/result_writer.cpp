#include "vibe/result_writer.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json/writer.hpp"
#include "lib/result_names.hpp"

namespace kestrova {

namespace {

// Members are written in declaration order; every member is always present, absent
// optionals as null.
class ResultWriter {
  public:
    explicit ResultWriter(std::string& out) : out_(out) {}

    void result(const SimulationResult& r) {
        out_ += '{';
        key("timeline", true);
        array(r.timeline, [this](const TimelineStep& s) { step(s); });
        key("point_of_no_return");
        optional_size(r.point_of_no_return);
        key("goal_reached_at");
        optional_size(r.goal_reached_at);
        key("recommended_path");
        nullable(r.recommended_path, [this](const std::vector<std::string>& path) {
            array(path, [this](const std::string& name) { json::append_string(out_, name); });
        });
        key("is_approximate");
        boolean(r.is_approximate);
        key("verdict");
        json::append_string(out_, r.verdict);
        key("recommendation");
        json::append_string(out_, r.recommendation);
        key("calculation_mode");
        json::append_string(out_, execution_mode_name(r.calculation_mode));
        key("trust_level");
        json::append_string(out_, trust_level_name(r.trust_level));
        key("error_bounds");
        out_ += '{';
        key("epsilon", true);
        json::append_double(out_, r.error_bounds.epsilon);
        key("confidence");
        json::append_double(out_, r.error_bounds.confidence);
        out_ += '}';
        key("alerts");
        array(r.alerts, [this](const SystemAlert& a) { alert(a); });
        key("sensitivity_report");
        nullable(r.sensitivity_report, [this](const SensitivityReport& s) { sensitivity(s); });
        out_ += '}';
    }

  private:
    void key(std::string_view name, bool first = false) {
        if (!first) out_ += ',';
        json::append_string(out_, name);
        out_ += ':';
    }

    void size(std::size_t value) { json::append_unsigned(out_, static_cast<std::uint64_t>(value)); }

    // `items` as an array, each written by `write_item`.
    template <class Items, class WriteItem>
    void array(const Items& items, WriteItem write_item) {
        out_ += '[';
        bool first = true;
        for (const auto& item : items) {
            if (!first) out_ += ',';
            first = false;
            write_item(item);
        }
        out_ += ']';
    }

    // The value written by `write`, or null when absent.
    template <class T, class Write>
    void nullable(const std::optional<T>& value, Write write) {
        if (value) {
            write(*value);
        } else {
            out_ += "null";
        }
    }

    void optional_size(const std::optional<std::size_t>& value) {
        nullable(value, [this](std::size_t v) { size(v); });
    }

    void optional_string(const std::optional<std::string>& value) {
        nullable(value, [this](const std::string& v) { json::append_string(out_, v); });
    }

    void boolean(bool value) { out_ += value ? "true" : "false"; }

    void step(const TimelineStep& s) {
        out_ += '{';
        key("t", true);
        size(s.t);
        key("future_width");
        size(s.future_width);
        key("thickness");
        json::append_double(out_, s.thickness);
        key("risk_spike");
        json::append_double(out_, s.risk_spike);
        key("goal_distance");
        json::append_double(out_, s.goal_distance);
        key("is_on_recommended_path");
        boolean(s.is_on_recommended_path);
        key("entropy");
        json::append_double(out_, s.entropy);
        key("dominant_root_cause");
        optional_string(s.dominant_root_cause);
        key("status");
        json::append_string(out_, s.status);
        out_ += '}';
    }

    void alert(const SystemAlert& a) {
        out_ += '{';
        key("type", true);
        json::append_string(out_, a.type);
        key("message");
        json::append_string(out_, a.message);
        key("detail");
        optional_string(a.detail);
        out_ += '}';
    }

    void sensitivity(const SensitivityReport& s) {
        out_ += '{';
        key("primary_culprits", true);
        out_ += '{';
        bool first = true;
        for (const auto& [name, count] : s.primary_culprits) {
            if (!first) out_ += ',';
            first = false;
            json::append_string(out_, name);
            out_ += ':';
            size(count);
        }
        out_ += '}';
        key("mean_thickness");
        json::append_double(out_, s.mean_thickness);
        key("peak_fragility");
        json::append_double(out_, s.peak_fragility);
        out_ += '}';
    }

    std::string& out_;
};

}  // namespace

std::string write_result(const SimulationResult& result) {
    std::string out;
    out.reserve(256 + 256 * result.timeline.size());
    ResultWriter(out).result(result);
    return out;
}

}  // namespace kestrova
