#include "module_functions.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "arguments.hpp"
#include "client/hosted_evaluation.hpp"
#include "conversions.hpp"
#include "errors.hpp"
#include "local_execution.hpp"
#include "session_state.hpp"

namespace kestrova {
namespace {

constexpr const char* kSimulateNames[] = {"schema_json", "budget", "api_key", "base_url"};
constexpr const char* kSimulateLocalNames[] = {"schema_json", "budget"};

constexpr Signature kSimulateSignature{"simulate()", kSimulateNames, 1};
constexpr Signature kSimulateLocalSignature{"simulate_local()", kSimulateLocalNames, 1};

PyObject* simulate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        BoundArguments bound;
        if (!bind_fastcall(kSimulateSignature, args, nargs, kwnames, bound)) return nullptr;
        std::string_view schema_json;
        std::optional<double> budget;
        std::optional<std::string> api_key;
        std::optional<std::string> base_url;
        if (!convert_text(bound[0], "schema_json", schema_json) ||
            !convert_budget(bound[1], "budget", budget) ||
            !convert_optional_text(bound[2], "api_key", api_key) ||
            !convert_optional_text(bound[3], "base_url", base_url)) {
            return nullptr;
        }
        CallOutcome error;
        std::unique_ptr<SessionState> session =
            build_session_state(schema_json, std::move(api_key), std::move(base_url), error);
        if (!session) return outcome_to_python(error);
        return outcome_to_python(evaluate_hosted(session->schema, session->api_key,
                                                 session->base_url, *session->client, budget));
    });
}

PyObject* simulate_local(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        BoundArguments bound;
        if (!bind_fastcall(kSimulateLocalSignature, args, nargs, kwnames, bound)) return nullptr;
        std::string_view schema_json;
        std::optional<double> budget;
        if (!convert_text(bound[0], "schema_json", schema_json) ||
            !convert_budget(bound[1], "budget", budget)) {
            return nullptr;
        }
        // Built like any session, HTTP client included, although it stays unused.
        CallOutcome error;
        std::unique_ptr<SessionState> session =
            build_session_state(schema_json, std::nullopt, std::nullopt, error);
        if (!session) return outcome_to_python(error);
        return outcome_to_python(run_local(session->schema, budget));
    });
}

PyMethodDef functions[] = {
    {"simulate", as_py_cfunction(simulate), METH_FASTCALL | METH_KEYWORDS,
     "simulate(schema_json, budget=None, api_key=None, base_url=None)\n--\n\n"},
    {"simulate_local", as_py_cfunction(simulate_local), METH_FASTCALL | METH_KEYWORDS,
     "simulate_local(schema_json, budget=None)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyMethodDef* module_functions() {
    return functions;
}

}  // namespace kestrova
