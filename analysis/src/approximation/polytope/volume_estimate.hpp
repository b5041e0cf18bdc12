// Monte Carlo estimate of how many discrete cells lie inside the polytope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

#include "geometry.hpp"
#include "vibe/result.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

struct AxisBounds {
    double lo = 0.0;
    double hi = 0.0;
};

// Upper end of the sampling box for a variable without `max`.
inline constexpr double kDefaultSampleUpper = 1e12;
inline constexpr std::size_t kVolumeSamples = 10000;
inline constexpr std::uint64_t kVolumeSeed = 42;

struct EstimatorTables {
    std::unordered_map<std::string, AxisBounds> bounds;  // lo = min or 0, hi = max or 1e12
    std::unordered_map<std::string, double> discretization;
};

EstimatorTables make_estimator_tables(const NamedMap<VariableDefinition>& variables);

struct VolumeEstimate {
    double estimate = 0.0;    // E: cells inside
    double half_width = 0.0;  // D: half-width of the 95 % interval
    TrustLevel trust = TrustLevel::Low;
};

// Deterministic: the random sequence restarts from the same seed on every call.
VolumeEstimate estimate_volume(std::span<const ConstraintPlane> planes,
                               const EstimatorTables& tables,
                               std::span<const std::string> sorted_names);

// The estimator's random draw: advance the 64-bit LCG, then scale to [0, 1].
class UnitLcg {
  public:
    explicit UnitLcg(std::uint64_t seed) : state_(seed) {}
    double next() {
        state_ = state_ * 6364136223846793005ULL + 1ULL;
        return static_cast<double>(state_) * 0x1p-64;
    }

  private:
    std::uint64_t state_;
};

}  // namespace kestrova
