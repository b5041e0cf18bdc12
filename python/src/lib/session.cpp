#include "session.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "access_guard.hpp"
#include "arguments.hpp"
#include "client/hosted_evaluation.hpp"
#include "conversions.hpp"
#include "errors.hpp"
#include "local_execution.hpp"
#include "session_state.hpp"

namespace kestrova {
namespace {

struct SessionObject {
    PyObject_HEAD AccessCounter access;
    SessionState* state;  // owned; set before the object is handed out
};

// The class, kept for the self check; the module holds the other reference.
PyTypeObject* session_type = nullptr;

constexpr const char* kConstructorNames[] = {"schema_json", "api_key", "base_url"};
constexpr const char* kBudgetNames[] = {"budget"};
constexpr const char* kSchemaNames[] = {"schema_json"};

constexpr Signature kConstructorSignature{"KestrovaSession.__new__()", kConstructorNames, 1};
constexpr Signature kEvaluateSignature{"KestrovaSession.evaluate()", kBudgetNames, 0};
constexpr Signature kSimulateLocalSignature{"KestrovaSession.simulate_local()", kBudgetNames, 0};
constexpr Signature kUpdateSchemaSignature{"KestrovaSession.update_schema()", kSchemaNames, 1};

// Methods can be reached with a foreign self through low-level calls; refuse them
// before touching the record.
SessionObject* as_session(PyObject* self) {
    if (self != nullptr && session_type != nullptr && PyObject_TypeCheck(self, session_type)) {
        auto* session = reinterpret_cast<SessionObject*>(self);
        if (session->state == nullptr) {
            raise_internal_fault("session without its record");
            return nullptr;
        }
        return session;
    }
    PyObject* type_name = PyType_GetName(Py_TYPE(self));
    if (type_name == nullptr) return nullptr;
    PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to 'KestrovaSession'",
                 type_name);
    Py_DECREF(type_name);
    return nullptr;
}

PyObject* session_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guarded_call([&]() -> PyObject* {
        BoundArguments bound;
        if (!bind_tuple_and_dict(kConstructorSignature, args, kwargs, bound)) return nullptr;
        std::string_view schema_json;
        std::optional<std::string> api_key;
        std::optional<std::string> base_url;
        if (!convert_text(bound[0], "schema_json", schema_json) ||
            !convert_optional_text(bound[1], "api_key", api_key) ||
            !convert_optional_text(bound[2], "base_url", base_url)) {
            return nullptr;
        }
        CallOutcome error;
        std::unique_ptr<SessionState> state =
            build_session_state(schema_json, std::move(api_key), std::move(base_url), error);
        if (!state) return outcome_to_python(error);

        PyObject* object = PyType_GenericAlloc(type, 0);
        if (object == nullptr) return nullptr;
        auto* session = reinterpret_cast<SessionObject*>(object);
        session->access = 0;
        session->state = state.release();
        return object;
    });
}

void session_dealloc(PyObject* self) {
    auto* session = reinterpret_cast<SessionObject*>(self);
    // Closing the client waits for its I/O thread, which never needs the interpreter.
    delete session->state;
    session->state = nullptr;
    PyTypeObject* type = Py_TYPE(self);
    auto free_object = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free_object(self);
    Py_DECREF(type);  // instances of heap types own a reference to their type
}

PyObject* session_evaluate(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        SessionObject* session = as_session(self);
        if (session == nullptr) return nullptr;
        BoundArguments bound;
        if (!bind_fastcall(kEvaluateSignature, args, nargs, kwnames, bound)) return nullptr;
        AccessGuard guard(session->access, Access::Exclusive);
        if (!guard.acquired()) return nullptr;
        std::optional<double> budget;
        if (!convert_budget(bound[0], "budget", budget)) return nullptr;
        SessionState& state = *session->state;
        return outcome_to_python(
            evaluate_hosted(state.schema, state.api_key, state.base_url, *state.client, budget));
    });
}

PyObject* session_simulate_local(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                 PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        SessionObject* session = as_session(self);
        if (session == nullptr) return nullptr;
        BoundArguments bound;
        if (!bind_fastcall(kSimulateLocalSignature, args, nargs, kwnames, bound)) {
            return nullptr;
        }
        AccessGuard guard(session->access, Access::Shared);
        if (!guard.acquired()) return nullptr;
        std::optional<double> budget;
        if (!convert_budget(bound[0], "budget", budget)) return nullptr;
        return outcome_to_python(run_local(session->state->schema, budget));
    });
}

PyObject* session_update_schema(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        SessionObject* session = as_session(self);
        if (session == nullptr) return nullptr;
        BoundArguments bound;
        if (!bind_fastcall(kUpdateSchemaSignature, args, nargs, kwnames, bound)) return nullptr;
        AccessGuard guard(session->access, Access::Exclusive);
        if (!guard.acquired()) return nullptr;
        std::string_view schema_json;
        if (!convert_text(bound[0], "schema_json", schema_json)) return nullptr;
        CallOutcome error;
        if (!replace_schema(*session->state, schema_json, error)) return outcome_to_python(error);
        Py_RETURN_NONE;
    });
}

PyMethodDef session_methods[] = {
    {"evaluate", as_py_cfunction(session_evaluate), METH_FASTCALL | METH_KEYWORDS,
     "evaluate($self, budget=None)\n--\n\n"
     "Evaluates the current schema by delegating to the cloud API."},
    {"simulate_local", as_py_cfunction(session_simulate_local), METH_FASTCALL | METH_KEYWORDS,
     "simulate_local($self, budget=None)\n--\n\n"
     "Capped local execution (Max 5 vars, 12 horizon). Offline-ready."},
    {"update_schema", as_py_cfunction(session_update_schema), METH_FASTCALL | METH_KEYWORDS,
     "update_schema($self, schema_json)\n--\n\nUpdate the underlying schema for the session."},
    {nullptr, nullptr, 0, nullptr},
};

constexpr char kClassDoc[] = "KestrovaSession(schema_json, api_key=None, base_url=None)\n--\n\n";

PyType_Slot session_slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(session_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(session_dealloc)},
    {Py_tp_methods, session_methods},
    {Py_tp_doc, const_cast<char*>(kClassDoc)},
    {0, nullptr},
};

// No Py_TPFLAGS_BASETYPE: the class is final. No Py_TPFLAGS_HAVE_GC: a session
// holds no Python references, so it cannot be part of a cycle.
PyType_Spec session_spec = {
    "builtins.KestrovaSession",
    static_cast<int>(sizeof(SessionObject)),
    0,
    Py_TPFLAGS_DEFAULT,
    session_slots,
};

}  // namespace

PyObject* create_session_type() {
    PyObject* type = PyType_FromSpec(&session_spec);
    if (type == nullptr) return nullptr;
    // Called once per interpreter lifetime (the module object is cached); a type left from
    // a finalized runtime is gone with it and is not released again.
    session_type = reinterpret_cast<PyTypeObject*>(Py_NewRef(type));
    return type;
}

}  // namespace kestrova
