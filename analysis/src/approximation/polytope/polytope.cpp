#include "approximation/polytope/polytope.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "lib/float_order.hpp"

namespace kestrova {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

PolytopeModel build_polytope(std::span<const std::string> sorted_names,
                             const NamedMap<VariableDefinition>& variables,
                             std::span<const ConstraintDefinition> constraints) {
    PolytopeModel model;
    model.names.assign(sorted_names.begin(), sorted_names.end());
    const std::size_t n = sorted_names.size();
    const std::size_t dims = std::max<std::size_t>(n, 1);

    model.centre.components.reserve(n);
    for (std::size_t j = 0; j < n; ++j) {
        const VariableDefinition* def = variables.find(sorted_names[j]);
        const double lo = def && def->min ? *def->min : 0.0;
        const double plane_hi = def && def->max ? *def->max : kDefaultPlaneUpper;
        const double centre_hi = def && def->max ? *def->max : kDefaultCentreUpper;
        model.planes.push_back({Vector::unit(dims, j, -1.0), -lo});
        model.planes.push_back({Vector::unit(dims, j, 1.0), plane_hi});
        model.centre.components.push_back((lo + centre_hi) * 0.5);
    }

    for (const ConstraintDefinition& c : constraints) {
        if (!c.op || !c.value) continue;
        auto it = std::lower_bound(sorted_names.begin(), sorted_names.end(), c.variable);
        if (it == sorted_names.end() || *it != c.variable) continue;
        const auto j = static_cast<std::size_t>(it - sorted_names.begin());
        switch (*c.op) {
            case Operator::Eq:  // bounds from above only
            case Operator::Lt:
            case Operator::Lte:
                model.planes.push_back({Vector::unit(dims, j, 1.0), *c.value});
                break;
            case Operator::Gt:
            case Operator::Gte:
                model.planes.push_back({Vector::unit(dims, j, -1.0), -*c.value});
                break;
        }
    }

    const double component = 1.0 / std::sqrt(static_cast<double>(dims));
    model.diagonal.components.assign(dims, component);
    return model;
}

double boundary_distance(const PolytopeModel& model, const Vector& direction) {
    double best = kInfinity;
    for (const ConstraintPlane& plane : model.planes) {
        const double facing = plane.normal.dot(direction);
        if (!(facing > kGeometryEpsilon)) continue;
        best = min_ignoring_nan(best, (plane.offset - plane.normal.dot(model.centre)) / facing);
    }
    return best;
}

double polytope_thickness(const PolytopeModel& model) {
    const Vector& d = model.diagonal;
    const double d_norm = d.norm();
    if (model.names.size() < 2 || d_norm < kGeometryEpsilon) return 1.0;

    const std::size_t dims = d.components.size();
    const double d_norm_squared = d_norm * d_norm;
    double best = kInfinity;
    bool kept_any = false;
    for (std::size_t i = 0; i < dims; ++i) {
        const Vector e = Vector::unit(dims, i);
        const double s = e.dot(d) / d_norm_squared;
        Vector w{std::vector<double>(dims)};
        for (std::size_t k = 0; k < dims; ++k)
            w.components[k] = e.components[k] - s * d.components[k];
        const double w_norm = w.norm();
        if (!(w_norm > kGeometryEpsilon)) continue;
        for (double& c : w.components) c = c / w_norm;
        kept_any = true;
        best = min_ignoring_nan(best, boundary_distance(model, w));
        best = min_ignoring_nan(best, boundary_distance(model, w.negated()));
    }
    return kept_any ? best : 1.0;
}

double diagonal_reach(const PolytopeModel& model) {
    return boundary_distance(model, model.diagonal);
}

double geometric_ratio(const PolytopeModel& model) {
    const double reach = diagonal_reach(model);
    if (reach == 0.0 || std::isinf(reach)) return kInfinity;
    return model.diagonal.norm() / reach;
}

std::optional<std::string> nearest_bound_variable(const PolytopeModel& model) {
    double best = kInfinity;
    std::optional<std::string> name;
    for (std::size_t j = 0; j < model.names.size(); ++j) {
        for (const ConstraintPlane& plane : model.planes) {
            const auto& normal = plane.normal.components;
            if (j >= normal.size() || !(std::fabs(normal[j]) > 0.9)) continue;
            const double distance =
                (plane.offset - plane.normal.dot(model.centre)) / plane.normal.norm();
            if (distance < best) {
                best = distance;
                name = model.names[j];
            }
        }
    }
    return name;
}

}  // namespace kestrova
