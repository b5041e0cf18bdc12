"""The module's Python surface: names, documentation, the class, argument binding and
conversion, the access counter, and module import rules."""

import gc
import importlib
import json
import math
import os
import subprocess
import sys

import pytest

import kestrova
from conftest import MINIMAL_SCENARIO, scenario
from kestrova import KestrovaSession

Session = KestrovaSession


def make_session(**kwargs):
    return KestrovaSession(MINIMAL_SCENARIO, **kwargs)


# --- names and documentation -------------------------------------------------------------


def test_module_exposes_exactly_three_names_in_order():
    public = [name for name in vars(kestrova) if not name.startswith("_")]
    assert public == ["simulate", "simulate_local", "KestrovaSession"]
    assert kestrova.__doc__ == ""


@pytest.mark.parametrize(
    "callable_, doc, signature",
    [
        (kestrova.simulate, None, "(schema_json, budget=None, api_key=None, base_url=None)"),
        (kestrova.simulate_local, None, "(schema_json, budget=None)"),
        (
            Session.evaluate,
            "Evaluates the current schema by delegating to the cloud API.",
            "($self, budget=None)",
        ),
        (
            Session.simulate_local,
            "Capped local execution (Max 5 vars, 12 horizon). Offline-ready.",
            "($self, budget=None)",
        ),
        (
            Session.update_schema,
            "Update the underlying schema for the session.",
            "($self, schema_json)",
        ),
        (Session, "", "(schema_json, api_key=None, base_url=None)"),
    ],
    ids=["simulate", "simulate_local", "evaluate", "method_simulate_local", "update_schema",
         "class"],
)
def test_documentation_and_text_signatures(callable_, doc, signature):
    assert callable_.__doc__ == doc
    assert callable_.__text_signature__ == signature


def test_signatures_are_introspectable():
    import inspect

    assert str(inspect.signature(kestrova.simulate)) == (
        "(schema_json, budget=None, api_key=None, base_url=None)"
    )
    assert str(inspect.signature(Session)) == "(schema_json, api_key=None, base_url=None)"
    assert str(inspect.signature(Session.evaluate)) == "(self, /, budget=None)"


# --- the class ----------------------------------------------------------------------------


def test_class_identity_and_flags():
    assert Session.__module__ == "builtins"
    assert Session.__qualname__ == "KestrovaSession"
    assert Session.__name__ == "KestrovaSession"
    base_type_flag, have_gc_flag = 1 << 10, 1 << 14
    assert not Session.__flags__ & base_type_flag
    assert not Session.__flags__ & have_gc_flag
    # Only the three methods and construction: no properties or other members of its own.
    own = {name for name in vars(Session) if not name.startswith("__")}
    assert own == {"evaluate", "simulate_local", "update_schema"}


def test_class_is_final():
    with pytest.raises(TypeError):

        class Derived(KestrovaSession):
            pass


def test_instances_are_outside_cyclic_gc_and_have_no_attributes():
    session = make_session()
    assert not gc.is_tracked(session)
    assert type(session) is Session
    with pytest.raises(AttributeError):
        session.api_key = "changed"
    for name in ("schema", "api_key", "base_url", "client"):
        assert not hasattr(session, name)


@pytest.mark.parametrize(
    "method, args",
    [("evaluate", ()), ("simulate_local", (1.0,)), ("update_schema", (MINIMAL_SCENARIO,))],
)
def test_method_with_foreign_self_raises_type_error(method, args):
    # The interpreter's method descriptor checks self before our code runs; our own check
    # stands behind it. Either way a TypeError names the foreign type.
    for foreign in (5, "text", object()):
        with pytest.raises(TypeError, match=f"'{type(foreign).__name__}'"):
            getattr(Session, method)(foreign, *args)


# --- argument binding --------------------------------------------------------------------

M = MINIMAL_SCENARIO

BINDING_ERRORS = [
    # constructor
    (lambda s: Session(), "KestrovaSession.__new__() missing 1 required positional argument: 'schema_json'"),
    (lambda s: Session(M, None, None, None),
     "KestrovaSession.__new__() takes from 1 to 3 positional arguments but 4 were given"),
    (lambda s: Session(M, None, None, None, bogus=1),
     "KestrovaSession.__new__() takes from 1 to 3 positional arguments but 4 were given"),
    (lambda s: Session(M, bogus=1), "KestrovaSession.__new__() got an unexpected keyword argument 'bogus'"),
    (lambda s: Session(bogus=1), "KestrovaSession.__new__() got an unexpected keyword argument 'bogus'"),
    (lambda s: Session(M, schema_json=M), "KestrovaSession.__new__() got multiple values for argument 'schema_json'"),
    (lambda s: Session(M, None, api_key="k"), "KestrovaSession.__new__() got multiple values for argument 'api_key'"),
    (lambda s: Session(api_key="k"), "KestrovaSession.__new__() missing 1 required positional argument: 'schema_json'"),
    (lambda s: Session.__new__(Session), "KestrovaSession.__new__() missing 1 required positional argument: 'schema_json'"),
    # module functions
    (lambda s: kestrova.simulate(), "simulate() missing 1 required positional argument: 'schema_json'"),
    (lambda s: kestrova.simulate(M, 1, None, None, None),
     "simulate() takes from 1 to 4 positional arguments but 5 were given"),
    (lambda s: kestrova.simulate(M, capability="x"), "simulate() got an unexpected keyword argument 'capability'"),
    (lambda s: kestrova.simulate(M, 1, budget=2), "simulate() got multiple values for argument 'budget'"),
    (lambda s: kestrova.simulate_local(), "simulate_local() missing 1 required positional argument: 'schema_json'"),
    (lambda s: kestrova.simulate_local(M, None, None),
     "simulate_local() takes from 1 to 2 positional arguments but 3 were given"),
    (lambda s: kestrova.simulate_local(M, api_key="k"), "simulate_local() got an unexpected keyword argument 'api_key'"),
    (lambda s: kestrova.simulate_local(budget=1), "simulate_local() missing 1 required positional argument: 'schema_json'"),
    # methods
    (lambda s: s.evaluate(1, 2), "KestrovaSession.evaluate() takes from 0 to 1 positional arguments but 2 were given"),
    (lambda s: s.evaluate(bugdet=1), "KestrovaSession.evaluate() got an unexpected keyword argument 'bugdet'"),
    (lambda s: s.evaluate(1, budget=2), "KestrovaSession.evaluate() got multiple values for argument 'budget'"),
    (lambda s: s.simulate_local(1, 2, 3),
     "KestrovaSession.simulate_local() takes from 0 to 1 positional arguments but 3 were given"),
    (lambda s: s.simulate_local(**{"\u00e9t\u00e9": 1}),
     "KestrovaSession.simulate_local() got an unexpected keyword argument '\u00e9t\u00e9'"),
    (lambda s: s.update_schema(), "KestrovaSession.update_schema() missing 1 required positional argument: 'schema_json'"),
    (lambda s: s.update_schema(M, M), "KestrovaSession.update_schema() takes 1 positional arguments but 2 were given"),
    (lambda s: s.update_schema(M, schema_json=M),
     "KestrovaSession.update_schema() got multiple values for argument 'schema_json'"),
]


@pytest.mark.parametrize("call, message", BINDING_ERRORS)
def test_binding_errors(call, message):
    session = make_session()
    with pytest.raises(TypeError) as info:
        call(session)
    assert str(info.value) == message


def test_every_parameter_binds_by_position_or_keyword(clean_client_env):
    session = make_session()
    assert session.update_schema(schema_json=MINIMAL_SCENARIO) is None
    assert session.update_schema(MINIMAL_SCENARIO) is None
    KestrovaSession(schema_json=MINIMAL_SCENARIO, api_key=None, base_url=None)
    KestrovaSession(MINIMAL_SCENARIO, None, None)
    KestrovaSession(base_url=None, schema_json=MINIMAL_SCENARIO)


# --- argument conversion ------------------------------------------------------------------


class FloatRaises:
    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error


class FloatReturnsText:
    def __float__(self):
        return "5"


class Index:
    def __index__(self):
        return 7


class Floaty:
    def __float__(self):
        return 2.5


CONVERSION_TYPE_ERRORS = [
    (lambda: Session(b"{}"), "argument 'schema_json': must be str, not bytes"),
    (lambda: Session(None), "argument 'schema_json': must be str, not NoneType"),
    (lambda: Session(M, api_key=5), "argument 'api_key': must be str, not int"),
    (lambda: Session(M, base_url=b"http://x"), "argument 'base_url': must be str, not bytes"),
    # conversion runs in parameter order: the first bad one is reported
    (lambda: Session(1, api_key=2, base_url=3), "argument 'schema_json': must be str, not int"),
    (lambda: Session(M, api_key=2, base_url=3), "argument 'api_key': must be str, not int"),
    (lambda: kestrova.simulate(b"x", budget="5"), "argument 'schema_json': must be str, not bytes"),
    (lambda: kestrova.simulate(M, budget=[], api_key=1), "argument 'budget': "),
    (lambda: kestrova.simulate(M, budget=1, api_key=1, base_url=2), "argument 'api_key': must be str, not int"),
    (lambda: kestrova.simulate(M, base_url=bytearray(b"x")), "argument 'base_url': must be str, not bytearray"),
    (lambda: kestrova.simulate_local(bytearray(b"x")), "argument 'schema_json': must be str, not bytearray"),
    (lambda: kestrova.simulate_local(M, "5"), "argument 'budget': "),
    (lambda: kestrova.simulate_local(M, 1j), "argument 'budget': "),
    (lambda: kestrova.simulate_local(M, FloatRaises(TypeError("no float here"))), "argument 'budget': no float here"),
    (lambda: kestrova.simulate_local(M, FloatReturnsText()), "argument 'budget': "),
]


@pytest.mark.parametrize("call, message", CONVERSION_TYPE_ERRORS)
def test_conversion_type_errors_carry_the_argument_prefix(call, message):
    with pytest.raises(TypeError) as info:
        call()
    text = str(info.value)
    assert text == message if not message.endswith(": ") else text.startswith(message)
    assert text.count("argument '") == 1


def test_prefixed_budget_error_keeps_the_original_as_cause():
    original = TypeError("no float here")
    with pytest.raises(TypeError) as info:
        kestrova.simulate_local(M, FloatRaises(original))
    assert info.value.__cause__ is original


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda e: kestrova.simulate_local(M, FloatRaises(e)), ValueError("custom")),
        (lambda e: kestrova.simulate(M, FloatRaises(e)), KeyError("k")),
        (lambda e: kestrova.simulate(M, budget=FloatRaises(e), api_key=1), ZeroDivisionError("z")),
    ],
)
def test_other_errors_from_a_budget_pass_through_unchanged(call, error):
    with pytest.raises(type(error)) as info:
        call(error)
    assert info.value is error


@pytest.mark.parametrize(
    "call",
    [
        lambda: kestrova.simulate_local(M, 10**400),
        lambda: kestrova.simulate(M, budget=-(10**400)),
    ],
)
def test_budget_overflow_passes_through_unchanged(call):
    with pytest.raises(OverflowError) as info:
        call()
    assert not str(info.value).startswith("argument")


@pytest.mark.parametrize(
    "call",
    [
        lambda: Session("\ud800"),
        lambda: Session(M, api_key="key\udc00"),
        lambda: Session(M, base_url="http://\ud83d"),
        lambda: kestrova.simulate("\udfff"),
        lambda: kestrova.simulate_local("{\ud800}"),
        lambda: make_session().update_schema("\ud800"),
    ],
)
def test_surrogates_fail_in_the_interpreters_utf8_conversion(call):
    with pytest.raises(UnicodeEncodeError) as info:
        call()
    assert "surrogates not allowed" in str(info.value)


def test_str_subclasses_are_accepted():
    class Text(str):
        pass

    session = KestrovaSession(Text(MINIMAL_SCENARIO), api_key=Text("k"), base_url=Text("http://h"))
    assert session.update_schema(Text(MINIMAL_SCENARIO)) is None


def test_invalid_schema_text():
    for call in (
        lambda: KestrovaSession("not json"),
        lambda: make_session().update_schema("not json"),
        lambda: kestrova.simulate("not json"),
        lambda: kestrova.simulate_local("not json"),
    ):
        with pytest.raises(ValueError) as info:
            call()
        assert str(info.value).startswith("Invalid schema: ")
    with pytest.raises(ValueError) as info:
        KestrovaSession("")
    assert str(info.value) == "Invalid schema: EOF while parsing a value at line 1 column 0"
    with pytest.raises(ValueError) as info:
        KestrovaSession("{}")
    assert str(info.value) == "Invalid schema: missing field `version` at line 1 column 2"


def test_construction_checks_form_only():
    unsound = scenario(
        variables={"x": {"type": "int", "initial": 0, "min": 5, "max": 5, "discretization": 1}},
        time={"type": "discrete", "horizon": 99},
    )
    KestrovaSession(unsound)
    assert make_session().update_schema(unsound) is None


# --- budget values reach the request unchanged ----------------------------------------------


@pytest.fixture(scope="module")
def echo_server():
    from servers.control import ServerProcess

    with ServerProcess(default={"status": 200, "body": "ok"}, lifetime=120) as server:
        yield server


def sent_budget(server, call):
    mark = server.mark()
    assert call() == "ok"
    requests = server.wait_for(lambda s: s.requests_since(mark))
    assert len(requests) == 1
    body = requests[0].body
    return json.loads(body)["budget"], body


@pytest.mark.parametrize(
    "budget, wire",
    [
        (None, b"null"),
        (5, b"5.0"),
        (True, b"1.0"),
        (False, b"0.0"),
        (2.5, b"2.5"),
        (-1, b"-1.0"),
        (Index(), b"7.0"),
        (Floaty(), b"2.5"),
        (math.nan, b"null"),
        (math.inf, b"null"),
    ],
)
def test_budget_conversion_as_sent(clean_client_env, echo_server, budget, wire):
    url = echo_server.base_url("budget")
    for call in (
        lambda: kestrova.simulate(M, budget, None, url),
        lambda: KestrovaSession(M, base_url=url).evaluate(budget),
        lambda: KestrovaSession(M, base_url=url).evaluate(budget=budget),
    ):
        _, body = sent_budget(echo_server, call)
        assert body.startswith(b'{"budget":' + wire + b',')


def test_omitted_budget_is_sent_as_null(clean_client_env, echo_server):
    url = echo_server.base_url("omitted")
    for call in (lambda: kestrova.simulate(M, base_url=url),
                 lambda: KestrovaSession(M, base_url=url).evaluate()):
        budget, _ = sent_budget(echo_server, call)
        assert budget is None


# --- the access counter --------------------------------------------------------------------


class Reenter:
    """A budget whose float conversion calls back into a session."""

    def __init__(self, action):
        self.action = action
        self.inner = None

    def __float__(self):
        self.inner = self.action()
        return 1.0


@pytest.mark.parametrize(
    "outer, inner, message",
    [
        ("simulate_local", lambda s: s.evaluate(), "Already borrowed"),
        ("simulate_local", lambda s: s.update_schema(MINIMAL_SCENARIO), "Already borrowed"),
        ("evaluate", lambda s: s.simulate_local(), "Already mutably borrowed"),
        ("evaluate", lambda s: s.evaluate(), "Already borrowed"),
        ("evaluate", lambda s: s.update_schema(MINIMAL_SCENARIO), "Already borrowed"),
    ],
)
def test_refused_access_is_immediate_runtime_error(clean_client_env, outer, inner, message):
    session = make_session(base_url="http://127.0.0.1:1")
    with pytest.raises(RuntimeError) as info:
        getattr(session, outer)(Reenter(lambda: inner(session)))
    # The refusal inside the conversion passes through unchanged (it is no TypeError).
    assert str(info.value) == message
    # Released again: the session takes both kinds of access afterwards.
    assert session.update_schema(MINIMAL_SCENARIO) is None
    assert isinstance(session.simulate_local(), str)


def test_refused_access_of_update_schema_leaves_scenario(clean_client_env):
    session = make_session()
    before = session.simulate_local()
    other = scenario(metadata={"name": "other"})
    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        session.simulate_local(Reenter(lambda: session.update_schema(other)))
    assert session.simulate_local() == before


def test_shared_access_nests():
    session = make_session()
    budget = Reenter(lambda: session.simulate_local(Reenter(lambda: session.simulate_local())))
    outer = session.simulate_local(budget)
    assert isinstance(outer, str)
    assert isinstance(budget.inner, str)


def test_access_is_per_session():
    first, second = make_session(), make_session()
    budget = Reenter(lambda: second.update_schema(MINIMAL_SCENARIO))
    assert isinstance(first.simulate_local(budget), str)
    assert budget.inner is None


def test_failed_binding_takes_no_access():
    session = make_session()
    with pytest.raises(TypeError):
        session.evaluate(1, 2)
    with pytest.raises(TypeError):
        session.update_schema(b"x")
    assert session.update_schema(MINIMAL_SCENARIO) is None


# --- module import --------------------------------------------------------------------------


def test_repeated_import_returns_the_same_module():
    saved = sys.modules.pop("kestrova")
    try:
        again = importlib.import_module("kestrova")
        assert again is saved
        assert importlib.reload(again) is saved
        assert again.KestrovaSession is KestrovaSession
    finally:
        sys.modules["kestrova"] = saved


# Runs in a child process: imports the module in the main interpreter, then tries again from
# a legacy subinterpreter (which reaches the module's own check) and from an isolated one
# (which the interpreter refuses for single-phase modules), printing what each import did.
SUBINTERPRETER_PROBE = r'''
import json, os
import kestrova

CODE = """
import os
try:
    import kestrova
    result = "imported"
except ImportError as exc:
    result = "ImportError: " + str(exc)
except BaseException as exc:
    result = type(exc).__name__ + ": " + str(exc)
os.write(%d, (result + "\\n").encode())
"""

read_end, write_end = os.pipe()
results = {}
try:
    from _testcapi import run_in_subinterp
except ImportError:
    run_in_subinterp = None
if run_in_subinterp is not None:
    run_in_subinterp(CODE % write_end)
    results["legacy"] = os.read(read_end, 4096).decode().strip()
interpreters = None
for name in ("_interpreters", "_xxsubinterpreters"):
    try:
        interpreters = __import__(name)
        break
    except ImportError:
        pass
if interpreters is not None:
    interp = interpreters.create()
    try:
        interpreters.run_string(interp, CODE % write_end)
        results["isolated"] = os.read(read_end, 4096).decode().strip()
    finally:
        interpreters.destroy(interp)
print(json.dumps(results))
'''


def test_import_from_a_second_interpreter_fails():
    env = dict(os.environ)
    module_dir = os.path.dirname(kestrova.__file__)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [module_dir, env.get("PYTHONPATH")]))
    done = subprocess.run(
        [sys.executable, "-c", SUBINTERPRETER_PROBE],
        env=env,
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert done.returncode == 0, done.stderr
    results = json.loads(done.stdout)
    if not results:
        pytest.skip("no way to create a subinterpreter in this build")
    for mode, outcome in results.items():
        assert outcome.startswith("ImportError: "), (mode, outcome)
