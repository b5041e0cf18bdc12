"""Local analysis through the module: whole result documents worked out by hand, the
rejection results, the local caps and the handling of unusual budgets."""

import json
import math

import pytest

import kestrova
from conftest import scenario, scenario_document

CRITICAL = ("Critically constrained \u2014 narrow corridor detected (T14). "
            "Urgent: reduce scope or add resources.")
HORIZON_CAP = "Local Mode Violation: Max 12 horizon. Use evaluate() for cloud execution."


def run_both(text, *budget):
    """The module function and the session method must give the same text."""
    by_function = kestrova.simulate_local(text, *budget)
    by_session = kestrova.KestrovaSession(text).simulate_local(*budget)
    assert by_function == by_session
    return by_function


def step(t, width, thickness, risk, goal, entropy, cause, status):
    return (f'{{"t":{t},"future_width":{width},"thickness":{thickness},"risk_spike":{risk},'
            f'"goal_distance":{goal},"is_on_recommended_path":false,"entropy":{entropy},'
            f'"dominant_root_cause":{cause},"status":"{status}"}}')


def variable(initial=0, discretization=1, **bounds):
    return {"type": "float", "initial": initial, "discretization": discretization, **bounds}


# x counts 0..3 at a cost of 1 from r (initial 2, the default budget), horizon 2, goal x >= 3.
# Score 1.2 * 3 * 2 < 5000: Discrete. Least costs 0, 1, 2, 3. Budgets per step 2, 1, 0 give
# widths 3, 2, 0 (W0 = 3). Polytope: planes -x <= -0, x <= 3, centre 1.5, d = [1], reach 1.5,
# G = 1 / 1.5, thickness 1 (one variable). Step 1 narrows log2(3) - 1 bits: risk G times that.
# The nearest plane to the centre is x's lower one (1.5; the upper ties and loses).
COUNTER = scenario(
    time={"type": "discrete", "horizon": 2},
    resources={"r": {"initial": 2, "min": 0}},
    variables={"x": variable(min=0, max=3)},
    actions=[{"name": "inc", "cost": {"r": 1}, "effects": {"x": {"op": "add", "value": 1}}}],
    goal={"type": "threshold", "conditions": [{"variable": "x", "operator": "gte", "value": 3}]},
)
COUNTER_RESULT = (
    '{"timeline":['
    + step(0, 3, "1.0", "0.0", "0.0", "1.584962500721156", "null", "critical") + ","
    + step(1, 2, "0.6666666666666666", "0.3899750004807707", "0.0", "1.0", '"x"', "critical") + ","
    + step(2, 0, "0.0", "0.0", "0.0", "0.0", '"x"', "collapsed")
    + '],"point_of_no_return":2,"goal_reached_at":null,"recommended_path":null,'
    '"is_approximate":false,"verdict":"possible","recommendation":"' + CRITICAL + '",'
    '"calculation_mode":"Discrete","trust_level":"High","error_bounds":{"epsilon":0.0,'
    '"confidence":1.0},"alerts":[],"sensitivity_report":{"primary_culprits":{"x":2},'
    '"mean_thickness":0.5555555555555555,"peak_fragility":0.3899750004807707}}'
)

# A negative cost (alert), the goal met by the initial values (reached at 0), and a negative
# budget: every step collapses, W0 = 1 (the start alone). Centre 0.5, both bounds at 0.5:
# the lower plane comes first and names the root cause.
NEGATIVE = scenario(
    time={"type": "discrete", "horizon": 1},
    resources={},
    variables={"a": variable(initial=1, min=0, max=1)},
    actions=[{"name": "up", "cost": {"fuel": -1}, "effects": {"a": {"op": "add", "value": 1}}}],
    goal={"type": "threshold", "conditions": [{"variable": "a", "operator": "eq", "value": 1}]},
)
NEGATIVE_RESULT = (
    '{"timeline":['
    + step(0, 0, "0.0", "0.0", "1.0", "0.0", '"a"', "collapsed") + ","
    + step(1, 0, "0.0", "0.0", "1.0", "0.0", '"a"', "collapsed")
    + '],"point_of_no_return":0,"goal_reached_at":0,"recommended_path":null,'
    '"is_approximate":false,"verdict":"possible","recommendation":"' + CRITICAL + '",'
    '"calculation_mode":"Discrete","trust_level":"High","error_bounds":{"epsilon":0.0,'
    '"confidence":1.0},"alerts":[{"type":"unsound_system","message":"Assumption 8.0.2 '
    '(Positive Monotonicity)","detail":"Negative costs detected \u2014 budget can increase '
    'along paths, breaking monotone contraction (T4)"}],"sensitivity_report":'
    '{"primary_culprits":{"a":2},"mean_thickness":0.0,"peak_fragility":0.0}}'
)

# Two unbounded variables: score 1.4 * (100 * 100) * 1 = 14000, Continuous. No budget and no
# resources: +inf, so both steps are estimated. The sampling box is [0, 1e12]^2 but the upper
# planes sit at 1e6, so no sample is inside: E = 0, D = 0, class Low at every step. W0 = 1 (no
# actions). The nearest plane to the centre (0.5, 0.5) is p's lower one.
UNBOUNDED = scenario(
    time={"type": "discrete", "horizon": 1},
    resources={},
    variables={"q": variable(), "p": variable()},
    actions=[],
    goal={"type": "threshold", "conditions": []},
)
UNBOUNDED_RESULT = (
    '{"timeline":['
    + step(0, 0, "0.0", "0.0", "1.0", "0.0", '"p"', "collapsed") + ","
    + step(1, 0, "0.0", "0.0", "1.0", "0.0", '"p"', "collapsed")
    + '],"point_of_no_return":0,"goal_reached_at":0,"recommended_path":null,'
    '"is_approximate":true,"verdict":"possible","recommendation":"' + CRITICAL + '",'
    '"calculation_mode":"Continuous","trust_level":"Low","error_bounds":{"epsilon":0.15,'
    '"confidence":0.95},"alerts":[{"type":"high_complexity","message":"Performance Scaling '
    'Activated: Transitioning to geometric volume estimation (T21).","detail":"Complexity score '
    '(14000.0) exceeds discrete threshold (5000). Switched to Continuous mode to preserve '
    'strategic intelligence performance."}],"sensitivity_report":{"primary_culprits":{"p":2},'
    '"mean_thickness":0.0,"peak_fragility":0.0}}'
)


@pytest.mark.parametrize("text, budget, expected", [
    (COUNTER, (), COUNTER_RESULT),
    (COUNTER, (None,), COUNTER_RESULT),
    (COUNTER, (2,), COUNTER_RESULT),
    (NEGATIVE, (-3.0,), NEGATIVE_RESULT),
    (UNBOUNDED, (), UNBOUNDED_RESULT),
], ids=["counter", "counter_none", "counter_int_budget", "negative", "unbounded"])
def test_whole_result_documents(clean_client_env, text, budget, expected):
    assert run_both(text, *budget) == expected


def rejection(message):
    return ('{"timeline":[],"point_of_no_return":0,"goal_reached_at":null,"recommended_path":null,'
            '"is_approximate":false,"verdict":"invalid_schema","recommendation":'
            + json.dumps("Schema error: " + message, ensure_ascii=False) +
            ',"calculation_mode":"Discrete","trust_level":"High","error_bounds":{"epsilon":0.0,'
            '"confidence":1.0},"alerts":[],"sensitivity_report":null}')


@pytest.mark.parametrize("overrides, message", [
    ({"variables": {"x": variable(min=5, max=5)}}, "Variable 'x': min (5) must be < max (5)"),
    ({"variables": {"x": variable(min=0.5, max=0.25)}},
     "Variable 'x': min (0.5) must be < max (0.25)"),
    ({"variables": {"x": variable(discretization=0)}},
     "Variable 'x': discretization must be > 0, got 0"),
    ({"variables": {"x": variable(discretization=-1)}},
     "Variable 'x': discretization must be > 0, got -1"),
    ({"variables": {"b": variable(discretization=-0.0), "a": variable(discretization=0)}},
     "Variable 'b': discretization must be > 0, got -0"),
    ({"resources": {"r": {"initial": 2, "min": 3}}},
     "Resource 'r': initial value 2 < min bound 3"),
    ({"resources": {"r": {"initial": 1, "min": 1e21, "max": 1e-7}}},
     "Resource 'r': min (1000000000000000000000) must be < max (0.0000001)"),
    ({"variables": {"x\"\u00fc": variable(min=2, max=1)}},
     "Variable 'x\"\u00fc': min (2) must be < max (1)"),
])
def test_rejection_documents(clean_client_env, overrides, message):
    assert run_both(scenario(**overrides), 1.0) == rejection(message)


def test_initial_above_max_and_only_min_pass(clean_client_env):
    text = scenario(resources={"r": {"initial": 9, "min": 0, "max": 5}},
                    variables={"x": variable(min=0)})
    assert json.loads(run_both(text))["verdict"] == "possible"


def five_variables(horizon):
    return scenario(variables={f"v{i}": variable(min=0, max=1) for i in range(5)},
                    time={"type": "discrete", "horizon": horizon})


@pytest.mark.parametrize("variables, horizon, message", [
    (6, 3, ""),
    (6, 13, ""),  # the variable cap is checked first
    (9, 30, ""),
    (2, 13, HORIZON_CAP),
    (0, 25, HORIZON_CAP),
])
def test_local_caps(clean_client_env, variables, horizon, message):
    text = scenario(variables={f"v{i}": variable(min=0, max=1) for i in range(variables)},
                    time={"type": "discrete", "horizon": horizon})
    with pytest.raises(ValueError) as caught:
        kestrova.simulate_local(text, 1.0)
    assert str(caught.value) == message
    assert type(caught.value) is ValueError
    session = kestrova.KestrovaSession(text)
    with pytest.raises(ValueError) as caught:
        session.simulate_local(1.0)
    assert str(caught.value) == message
    # A refused run leaves the session usable.
    session.update_schema(COUNTER)
    assert session.simulate_local() == COUNTER_RESULT


def test_largest_local_scenario_runs(clean_client_env):
    result = json.loads(run_both(five_variables(12), 3.0))
    assert result["verdict"] == "possible"
    assert len(result["timeline"]) == 13


MEMBERS = ["timeline", "point_of_no_return", "goal_reached_at", "recommended_path",
           "is_approximate", "verdict", "recommendation", "calculation_mode", "trust_level",
           "error_bounds", "alerts", "sensitivity_report"]
STEP_MEMBERS = ["t", "future_width", "thickness", "risk_spike", "goal_distance",
                "is_on_recommended_path", "entropy", "dominant_root_cause", "status"]


@pytest.mark.parametrize("budget", [
    None, 0.0, -0.0, 7.5, 1e300, -1.0, math.inf, -math.inf, math.nan, True,
])
def test_unusual_budgets_never_raise(clean_client_env, budget):
    text = kestrova.simulate_local(scenario(), budget)
    result = json.loads(text)
    assert list(result) == MEMBERS
    assert [list(s) for s in result["timeline"]] == [STEP_MEMBERS] * 4
    assert list(result["sensitivity_report"]) == ["primary_culprits", "mean_thickness",
                                                  "peak_fragility"]
    widths = [s["future_width"] for s in result["timeline"]]
    if budget is not None and (budget != budget or budget <= 0):
        # Nothing affordable beyond the start: NaN keeps it, everything else collapses.
        assert widths == ([1, 1, 1, 1] if budget != budget else [0, 0, 0, 0])


def test_default_budget_is_the_first_resource(clean_client_env):
    two = scenario(resources={"energy": {"initial": 2, "min": 0}, "cash": {"initial": 100, "min": 0}},
                   actions=[{"name": "step", "cost": {"cash": 5, "energy": 1},
                             "effects": {"x": {"op": "add", "value": 1}}}])
    assert run_both(two) == run_both(two, 2.0)
    assert run_both(two) != run_both(two, 100.0)


def test_unknown_names_and_odd_values_still_give_a_result(clean_client_env):
    text = scenario(
        variables={"x": variable(initial="high", min=0, max=4), "flag": variable(initial=True)},
        constraints=[{"type": "threshold", "mode": "hard", "variable": "ghost",
                      "operator": "lt", "value": 3}],
        goal={"type": "threshold", "conditions": [
            {"variable": "ghost", "operator": "eq", "value": 1},
            {"variable": "x", "operator": "gte", "value": 0}]},
    )
    result = json.loads(run_both(text, 4.0))
    assert result["verdict"] == "possible"
    assert result["timeline"][0]["goal_distance"] == 0.0
    assert result["goal_reached_at"] is None


def test_names_are_written_raw_and_escaped(clean_client_env):
    text = scenario(variables={"\u00e4\"q": variable(min=0, max=5)},
                    actions=[{"name": "s", "cost": {"energy": 1},
                              "effects": {"\u00e4\"q": {"op": "add", "value": 1}}}])
    out = run_both(text, 3.0)
    assert '"dominant_root_cause":"\u00e4\\"q"' in out
    assert '"primary_culprits":{"\u00e4\\"q":3}' in out


def test_local_run_leaves_the_session_unchanged(clean_client_env):
    session = kestrova.KestrovaSession(COUNTER)
    first = session.simulate_local(2.0)
    assert session.simulate_local(2.0) == first
    assert session.simulate_local() == COUNTER_RESULT
