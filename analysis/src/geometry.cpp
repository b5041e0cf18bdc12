#include "geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kestrova {

double Vector::dot(const Vector& other) const {
    const std::size_t n = std::min(components.size(), other.components.size());
    double sum = -0.0;
    for (std::size_t k = 0; k < n; ++k) sum += components[k] * other.components[k];
    return sum;
}

double Vector::norm() const {
    double sum = -0.0;
    for (double c : components) sum += c * c;
    return std::sqrt(sum);
}

Vector Vector::negated() const {
    Vector out{components};
    for (double& c : out.components) c = -c;
    return out;
}

Vector Vector::unit(std::size_t size, std::size_t axis, double sign) {
    Vector out{std::vector<double>(size, 0.0)};
    out.components[axis] = sign;
    return out;
}

}  // namespace kestrova
