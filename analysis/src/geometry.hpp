// Vectors and half-spaces of the continuous picture of a scenario. Every sum starts
// from -0.0 and adds in index order, so results are the same bits on every target.
#pragma once

#include <cstddef>
#include <vector>

namespace kestrova {

struct Vector {
    std::vector<double> components;

    // Over the shorter of the two lengths.
    double dot(const Vector& other) const;
    double norm() const;
    Vector negated() const;

    // Unit vector of axis `axis` with `size` components; the others hold +0.0.
    static Vector unit(std::size_t size, std::size_t axis, double sign = 1.0);
};

// The half-space normal . x <= offset.
struct ConstraintPlane {
    Vector normal;
    double offset = 0.0;
};

}  // namespace kestrova
