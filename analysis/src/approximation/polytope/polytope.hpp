// The convex polytope cut out by the variables' bounds and the threshold
// constraints, with the measures taken from its centre.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry.hpp"
#include "vibe/schema.hpp"

namespace kestrova {

struct PolytopeModel {
    std::vector<ConstraintPlane> planes;  // in the order made
    Vector centre;                        // one component per variable
    Vector diagonal;                      // max(n, 1) components, each 1 / sqrt(max(n, 1))
    std::vector<std::string> names;       // variable names, ascending by bytes
};

// Upper plane offset for a variable without `max`; the centre uses 1.0 instead.
inline constexpr double kDefaultPlaneUpper = 1000000.0;
inline constexpr double kDefaultCentreUpper = 1.0;
// Directions and normals shorter (or dot products smaller) than this are degenerate.
inline constexpr double kGeometryEpsilon = 1e-9;

// `sorted_names` must be ascending by bytes. Constraints on unknown names, or without
// an operator or a value, add no plane.
PolytopeModel build_polytope(std::span<const std::string> sorted_names,
                             const NamedMap<VariableDefinition>& variables,
                             std::span<const ConstraintDefinition> constraints);

// Distance from the centre to the boundary along `direction`; +inf when no plane faces it.
double boundary_distance(const PolytopeModel& model, const Vector& direction);

double polytope_thickness(const PolytopeModel& model);
double diagonal_reach(const PolytopeModel& model);
// norm(d) / diagonal_reach, or +inf when the reach is zero or infinite.
double geometric_ratio(const PolytopeModel& model);

// The variable whose bounding plane lies nearest the centre (a plane the centre lies
// outside of counts negative and wins); nothing when no plane qualifies.
std::optional<std::string> nearest_bound_variable(const PolytopeModel& model);

}  // namespace kestrova
