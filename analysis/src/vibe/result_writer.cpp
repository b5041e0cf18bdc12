#include "vibe/result_writer.hpp"

#include <cstdint>
#include <string_view>

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
        out_ += '[';
        for (std::size_t i = 0; i < r.timeline.size(); ++i) {
            if (i != 0) out_ += ',';
            step(r.timeline[i]);
        }
        out_ += ']';
        key("point_of_no_return");
        optional_size(r.point_of_no_return);
        key("goal_reached_at");
        optional_size(r.goal_reached_at);
        key("recommended_path");
        if (r.recommended_path) {
            out_ += '[';
            for (std::size_t i = 0; i < r.recommended_path->size(); ++i) {
                if (i != 0) out_ += ',';
                json::append_string(out_, (*r.recommended_path)[i]);
            }
            out_ += ']';
        } else {
            out_ += "null";
        }
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
        out_ += '[';
        for (std::size_t i = 0; i < r.alerts.size(); ++i) {
            if (i != 0) out_ += ',';
            alert(r.alerts[i]);
        }
        out_ += ']';
        key("sensitivity_report");
        if (r.sensitivity_report) {
            sensitivity(*r.sensitivity_report);
        } else {
            out_ += "null";
        }
        out_ += '}';
    }

  private:
    void key(std::string_view name, bool first = false) {
        if (!first) out_ += ',';
        json::append_string(out_, name);
        out_ += ':';
    }

    void size(std::size_t value) { json::append_unsigned(out_, static_cast<std::uint64_t>(value)); }

    void optional_size(const std::optional<std::size_t>& value) {
        if (value) {
            size(*value);
        } else {
            out_ += "null";
        }
    }

    void optional_string(const std::optional<std::string>& value) {
        if (value) {
            json::append_string(out_, *value);
        } else {
            out_ += "null";
        }
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
