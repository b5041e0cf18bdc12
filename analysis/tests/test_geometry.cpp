#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "approximation/polytope/polytope.hpp"
#include "approximation/polytope/volume_estimate.hpp"
#include "geometry.hpp"
#include "lib/float_order.hpp"

namespace kestrova {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

VariableDefinition var(std::optional<double> min, std::optional<double> max, double disc = 1.0) {
    VariableDefinition v;
    v.initial = json::Value(0.0);
    v.min = min;
    v.max = max;
    v.discretization = disc;
    return v;
}

ConstraintDefinition constraint(std::string variable, std::optional<Operator> op,
                                std::optional<double> value) {
    ConstraintDefinition c;
    c.variable = std::move(variable);
    c.op = op;
    c.value = value;
    return c;
}

struct Scenario {
    NamedMap<VariableDefinition> variables;
    std::vector<ConstraintDefinition> constraints;
    std::vector<std::string> names;

    Scenario& add(std::string name, VariableDefinition v) {
        variables.assign(name, std::move(v));
        names.push_back(std::move(name));
        std::sort(names.begin(), names.end());
        return *this;
    }
    Scenario& limit(ConstraintDefinition c) {
        constraints.push_back(std::move(c));
        return *this;
    }
    PolytopeModel model() const { return build_polytope(names, variables, constraints); }
};

TEST(FloatOrder, SignedZeroAndNaN) {
    EXPECT_FALSE(std::signbit(max_ignoring_nan(-0.0, 0.0)));
    EXPECT_FALSE(std::signbit(max_ignoring_nan(0.0, -0.0)));
    EXPECT_TRUE(std::signbit(min_ignoring_nan(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(min_ignoring_nan(0.0, -0.0)));
    EXPECT_EQ(max_ignoring_nan(kNaN, 3.0), 3.0);
    EXPECT_EQ(max_ignoring_nan(3.0, kNaN), 3.0);
    EXPECT_EQ(min_ignoring_nan(kNaN, -2.0), -2.0);
    EXPECT_TRUE(std::isnan(min_ignoring_nan(kNaN, kNaN)));
    EXPECT_EQ(min_ignoring_nan(kInf, 5.0), 5.0);
}

TEST(GeometryVector, DotNormAndUnit) {
    const Vector a{{3.0, 4.0}};
    const Vector b{{2.0, 1.0, 100.0}};
    EXPECT_EQ(a.dot(b), 10.0);  // over the shorter length
    EXPECT_EQ(a.norm(), 5.0);
    EXPECT_TRUE(std::signbit(Vector{}.dot(a)));  // empty sum stays -0.0
    EXPECT_EQ(Vector{}.norm(), 0.0);
    const Vector e = Vector::unit(3, 1, -1.0);
    EXPECT_EQ(e.components, (std::vector<double>{0.0, -1.0, 0.0}));
    EXPECT_FALSE(std::signbit(e.components[0]));
    EXPECT_FALSE(std::signbit(e.components[2]));
    EXPECT_EQ(a.negated().components, (std::vector<double>{-3.0, -4.0}));
}

TEST(Polytope, BoundedVariable) {
    const PolytopeModel m = Scenario().add("x", var(2.0, 6.0)).model();
    ASSERT_EQ(m.planes.size(), 2u);
    EXPECT_EQ(m.planes[0].normal.components, std::vector<double>{-1.0});
    EXPECT_EQ(m.planes[0].offset, -2.0);
    EXPECT_EQ(m.planes[1].normal.components, std::vector<double>{1.0});
    EXPECT_EQ(m.planes[1].offset, 6.0);
    EXPECT_EQ(m.centre.components, std::vector<double>{4.0});
    EXPECT_EQ(m.diagonal.components, std::vector<double>{1.0});
    EXPECT_EQ(polytope_thickness(m), 1.0);
    EXPECT_EQ(diagonal_reach(m), 2.0);
    EXPECT_EQ(geometric_ratio(m), 0.5);
    EXPECT_EQ(nearest_bound_variable(m), "x");
}

TEST(Polytope, UnboundedVariableUsesTwoDefaults) {
    const PolytopeModel m = Scenario().add("x", var(std::nullopt, std::nullopt)).model();
    ASSERT_EQ(m.planes.size(), 2u);
    EXPECT_EQ(m.planes[0].offset, 0.0);
    EXPECT_TRUE(std::signbit(m.planes[0].offset));  // -(0.0)
    EXPECT_EQ(m.planes[1].offset, 1000000.0);
    EXPECT_EQ(m.centre.components, std::vector<double>{0.5});  // centre uses 1.0
    EXPECT_EQ(diagonal_reach(m), 999999.5);
}

TEST(Polytope, ConstraintPlanes) {
    const struct {
        const char* name;
        ConstraintDefinition c;
        bool adds;
        double sign;
        double offset;
    } cases[] = {
        {"gt", constraint("x", Operator::Gt, 3.0), true, -1.0, -3.0},
        {"gte", constraint("x", Operator::Gte, 3.0), true, -1.0, -3.0},
        {"eq bounds from above only", constraint("x", Operator::Eq, 3.0), true, 1.0, 3.0},
        {"lt", constraint("x", Operator::Lt, 3.0), true, 1.0, 3.0},
        {"lte", constraint("x", Operator::Lte, 3.0), true, 1.0, 3.0},
        {"no value", constraint("x", Operator::Lt, std::nullopt), false, 0, 0},
        {"no operator", constraint("x", std::nullopt, 3.0), false, 0, 0},
        {"unknown name", constraint("z", Operator::Lt, 3.0), false, 0, 0},
    };
    for (const auto& c : cases) {
        // "a" sorts before "x", so x is dimension 1.
        const PolytopeModel m =
            Scenario().add("x", var(0.0, 10.0)).add("a", var(0.0, 1.0)).limit(c.c).model();
        ASSERT_EQ(m.planes.size(), c.adds ? 5u : 4u) << c.name;
        if (!c.adds) continue;
        const ConstraintPlane& p = m.planes.back();
        EXPECT_EQ(p.normal.components, (std::vector<double>{0.0, c.sign})) << c.name;
        EXPECT_FALSE(std::signbit(p.normal.components[0])) << c.name;
        EXPECT_EQ(p.offset, c.offset) << c.name;
    }
}

TEST(Polytope, TwoVariables) {
    const PolytopeModel m = Scenario().add("x", var(0.0, 4.0)).add("y", var(0.0, 2.0)).model();
    EXPECT_EQ(m.centre.components, (std::vector<double>{2.0, 1.0}));
    EXPECT_EQ(m.diagonal.components[0], 1.0 / std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(polytope_thickness(m), std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(diagonal_reach(m), std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(geometric_ratio(m), 1.0 / std::sqrt(2.0));
}

TEST(Polytope, NoVariables) {
    const PolytopeModel m = Scenario().model();
    EXPECT_TRUE(m.planes.empty());
    EXPECT_TRUE(m.centre.components.empty());
    EXPECT_EQ(m.diagonal.components, std::vector<double>{1.0});
    EXPECT_EQ(polytope_thickness(m), 1.0);
    EXPECT_EQ(diagonal_reach(m), kInf);
    EXPECT_EQ(geometric_ratio(m), kInf);
    EXPECT_EQ(nearest_bound_variable(m), std::nullopt);
}

TEST(Polytope, CentreOutsideConstraint) {
    const PolytopeModel m =
        Scenario().add("x", var(0.0, 10.0)).limit(constraint("x", Operator::Lte, 1.0)).model();
    EXPECT_EQ(diagonal_reach(m), -4.0);
    EXPECT_EQ(geometric_ratio(m), -0.25);
    EXPECT_EQ(nearest_bound_variable(m), "x");
}

TEST(Polytope, ZeroReachGivesInfiniteRatio) {
    // The centre lies exactly on the constraint plane.
    const PolytopeModel m =
        Scenario().add("x", var(0.0, 10.0)).limit(constraint("x", Operator::Lt, 5.0)).model();
    EXPECT_EQ(diagonal_reach(m), 0.0);
    EXPECT_EQ(geometric_ratio(m), kInf);
}

TEST(Polytope, NegativeThicknessWhenCentreOutside) {
    const PolytopeModel m = Scenario()
                                .add("x", var(0.0, 10.0))
                                .add("y", var(0.0, 10.0))
                                .limit(constraint("y", Operator::Lte, 1.0))
                                .model();
    EXPECT_LT(polytope_thickness(m), 0.0);
}

TEST(Polytope, NearestBoundVariable) {
    EXPECT_EQ(
        nearest_bound_variable(Scenario().add("x", var(0.0, 10.0)).add("y", var(0.0, 2.0)).model()),
        "y");
    // A tie keeps the earlier dimension.
    EXPECT_EQ(
        nearest_bound_variable(Scenario().add("y", var(0.0, 2.0)).add("x", var(0.0, 2.0)).model()),
        "x");
}

TEST(VolumeEstimate, RandomSequenceStartsFromSeed) {
    UnitLcg lcg(kVolumeSeed);
    EXPECT_EQ(lcg.next(), 9039304369631583587.0 * 0x1p-64);
    EXPECT_EQ(0x1p-64, 5.421010862427522e-20);
}

TEST(VolumeEstimate, KnownSampleCounts) {
    // Hit counts and values derived independently from the sampling rule.
    const struct {
        const char* name;
        Scenario scenario;
        double estimate;
        double half_width;
        TrustLevel trust;
    } cases[] = {
        {"half of a line, cell 0.5",
         Scenario().add("x", var(0.0, 10.0, 0.5)).limit(constraint("x", Operator::Lte, 5.0)),
         10.069999999999999, 0.19599519794117404, TrustLevel::High},
        {"2 % of a line",
         Scenario().add("x", var(0.0, 100.0)).limit(constraint("x", Operator::Lte, 2.0)), 2.03,
         0.27640802277792154, TrustLevel::Medium},
        {"corner of a rectangle",
         Scenario()
             .add("x", var(0.0, 4.0))
             .add("y", var(0.0, 2.0))
             .limit(constraint("x", Operator::Lte, 1.0))
             .limit(constraint("y", Operator::Gte, 0.5)),
         1.5136, 0.06141344987676884, TrustLevel::High},
        {"all inside", Scenario().add("x", var(0.0, 4.0)), 4.0, 0.0, TrustLevel::High},
        {"none inside",
         Scenario().add("x", var(0.0, 4.0)).limit(constraint("x", Operator::Gt, 10.0)), 0.0, 0.0,
         TrustLevel::Low},
        // Sampled over [0, 1e12] but the upper plane sits at 1e6: no hit.
        {"unbounded", Scenario().add("x", var(std::nullopt, std::nullopt)), 0.0, 0.0,
         TrustLevel::Low},
    };
    for (const auto& c : cases) {
        const PolytopeModel m = c.scenario.model();
        const EstimatorTables tables = make_estimator_tables(c.scenario.variables);
        const VolumeEstimate v = estimate_volume(m.planes, tables, m.names);
        EXPECT_EQ(v.estimate, c.estimate) << c.name;
        EXPECT_EQ(v.half_width, c.half_width) << c.name;
        EXPECT_EQ(v.trust, c.trust) << c.name;
        // Every call restarts the sequence.
        const VolumeEstimate again = estimate_volume(m.planes, tables, m.names);
        EXPECT_EQ(again.estimate, v.estimate) << c.name;
        EXPECT_EQ(again.half_width, v.half_width) << c.name;
    }
}

TEST(VolumeEstimate, BoxAndCellFromTables) {
    const Scenario s = Scenario().add("x", var(1.0, 3.0, 0.5)).add("y", var(std::nullopt, 2.0));
    const EstimatorTables tables = make_estimator_tables(s.variables);
    EXPECT_EQ(tables.bounds.at("x").lo, 1.0);
    EXPECT_EQ(tables.bounds.at("x").hi, 3.0);
    EXPECT_EQ(tables.bounds.at("y").lo, 0.0);
    EXPECT_EQ(tables.bounds.at("y").hi, 2.0);
    EXPECT_EQ(make_estimator_tables(Scenario().add("z", var(std::nullopt, std::nullopt)).variables)
                  .bounds.at("z")
                  .hi,
              1e12);
    // No planes: every sample is inside, E = box / cell = (2 * 2) / 0.5.
    const VolumeEstimate v = estimate_volume({}, tables, s.names);
    EXPECT_EQ(v.estimate, 8.0);
    EXPECT_EQ(v.trust, TrustLevel::High);
}

TEST(VolumeEstimate, EmptyBoxGivesZero) {
    // lo above hi (min beyond the 1e12 default): width clamps to 0.
    const Scenario s = Scenario().add("x", var(2e12, std::nullopt));
    const VolumeEstimate v =
        estimate_volume(s.model().planes, make_estimator_tables(s.variables), s.names);
    EXPECT_EQ(v.estimate, 0.0);
    EXPECT_EQ(v.trust, TrustLevel::Low);
}

}  // namespace
}  // namespace kestrova
