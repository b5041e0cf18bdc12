#include "approximation/polytope/volume_estimate.hpp"

#include <cmath>
#include <vector>

#include "lib/float_order.hpp"

namespace kestrova {

namespace {

// A plane with a single non-zero normal component on an axis of the sample: while
// every coordinate is finite its dot product equals that one product (the other
// terms are signed zeros), which keeps the per-sample test cheap.
struct PlaneTest {
    const ConstraintPlane* plane;
    std::size_t axis;  // valid when single_axis
    bool single_axis;
};

std::vector<PlaneTest> prepare_planes(std::span<const ConstraintPlane> planes, std::size_t dims) {
    std::vector<PlaneTest> tests;
    tests.reserve(planes.size());
    for (const ConstraintPlane& p : planes) {
        const auto& c = p.normal.components;
        std::size_t nonzero = 0;
        std::size_t axis = 0;
        for (std::size_t k = 0; k < c.size(); ++k) {
            if (c[k] != 0.0) {
                ++nonzero;
                axis = k;
            }
        }
        tests.push_back({&p, axis, nonzero == 1 && c.size() == dims});
    }
    return tests;
}

}  // namespace

EstimatorTables make_estimator_tables(const NamedMap<VariableDefinition>& variables) {
    EstimatorTables tables;
    for (const auto& [name, def] : variables) {
        tables.bounds[name] = {def.min.value_or(0.0), def.max.value_or(kDefaultSampleUpper)};
        tables.discretization[name] = def.discretization;
    }
    return tables;
}

VolumeEstimate estimate_volume(std::span<const ConstraintPlane> planes,
                               const EstimatorTables& tables,
                               std::span<const std::string> sorted_names) {
    const std::size_t dims = sorted_names.size();
    std::vector<double> lo(dims);
    std::vector<double> width(dims);
    double box = 1.0;
    for (std::size_t j = 0; j < dims; ++j) {
        auto it = tables.bounds.find(sorted_names[j]);
        const AxisBounds b =
            it == tables.bounds.end() ? AxisBounds{0.0, kDefaultSampleUpper} : it->second;
        lo[j] = b.lo;
        width[j] = max_ignoring_nan(b.hi - b.lo, 0.0);
        box *= width[j];
    }

    const std::vector<PlaneTest> tests = prepare_planes(planes, dims);
    UnitLcg random(kVolumeSeed);
    Vector x{std::vector<double>(dims)};
    std::size_t hits = 0;
    for (std::size_t sample = 0; sample < kVolumeSamples; ++sample) {
        bool finite = true;
        for (std::size_t j = 0; j < dims; ++j) {
            const double u = random.next();
            x.components[j] = lo[j] + u * width[j];
            finite = finite && std::isfinite(x.components[j]);
        }
        bool inside = true;
        for (const PlaneTest& test : tests) {
            const double dot =
                finite && test.single_axis
                    ? test.plane->normal.components[test.axis] * x.components[test.axis]
                    : test.plane->normal.dot(x);
            if (dot > test.plane->offset) {
                inside = false;
                break;
            }
        }
        if (inside) ++hits;
    }

    const double f = static_cast<double>(hits) / static_cast<double>(kVolumeSamples);
    double cell = 1.0;
    for (const std::string& name : sorted_names) {
        auto it = tables.discretization.find(name);
        cell *= it == tables.discretization.end() ? 1.0 : it->second;
    }

    VolumeEstimate out;
    out.estimate = cell > 0 ? (box * f) / cell : box * f;
    out.half_width =
        std::sqrt(f * (1 - f) / static_cast<double>(kVolumeSamples)) * 1.96 * (box / cell);
    const double rel = out.estimate > 0 ? out.half_width / out.estimate : 1.0;
    out.trust = rel < 0.05 ? TrustLevel::High : rel < 0.25 ? TrustLevel::Medium : TrustLevel::Low;
    return out;
}

}  // namespace kestrova
