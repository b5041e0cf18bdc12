// Speed and memory of the local analysis pipeline `simulate`, with the
// per-step alternatives (one bounded search per step, one volume estimate per
// step) measured side by side in the same run. Prints medians.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "approximation/polytope/polytope.hpp"
#include "approximation/polytope/volume_estimate.hpp"
#include "bench_timing.hpp"
#include "lib/reachable_width.hpp"
#include "lib/simulate.hpp"
#include "lib/timeline.hpp"
#include "reachability/core/initial_state_search.hpp"
#include "reachability/core/reachability_engine.hpp"
#include "vibe/compiler.hpp"
#include "vibe/compiler_graph.hpp"
#include "vibe/result_writer.hpp"
#include "vibe/scenario_reader.hpp"

namespace {

using namespace kestrova;
using namespace kestrova::bench;

long peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Peak memory that `work` adds, measured in a fresh child process so that
// nothing measured before (or the allocator's caches) hides it. KiB, or -1.
template <class F>
long child_peak_added_kib(F&& work) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const long before = peak_rss_kib();
        work();
        const long added = peak_rss_kib() - before;
        const ssize_t written = write(fds[1], &added, sizeof added);
        _exit(written == sizeof added ? 0 : 1);
    }
    close(fds[1]);
    long added = -1;
    if (read(fds[0], &added, sizeof added) != sizeof added) added = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return added;
}

VibeSchema read(const std::string& text) {
    ScenarioReadResult r = read_scenario(text);
    if (!r.schema) {
        std::fprintf(stderr, "bench scenario does not read: %s\n", r.error.c_str());
        std::exit(1);
    }
    return *r.schema;
}

std::string document(std::size_t horizon, const std::string& resources,
                     const std::string& variables, const std::string& actions,
                     const std::string& constraints = "[]") {
    std::string out = R"({"version":"1","metadata":{"name":"bench"},"time":{"type":"discrete",)";
    out.append(R"("horizon":)").append(std::to_string(horizon)).append("},");
    out.append(R"("resources":)").append(resources).append(",");
    out.append(R"("variables":)").append(variables).append(",");
    out.append(R"("actions":)").append(actions).append(",");
    out.append(R"("transitions":[],"constraints":)").append(constraints).append(",");
    out.append(
        R"("goal":{"type":"threshold","conditions":[{"variable":"a","operator":"gte","value":5}]}})");
    return out;
}

std::string step_action(const char* variable, int step, int cost, const char* precondition) {
    std::string out = R"({"name":"step","cost":{"time":)";
    out.append(std::to_string(cost)).append(R"(},"effects":{")").append(variable);
    out.append(R"(":{"op":"add","value":)").append(std::to_string(step)).append("}}");
    if (*precondition) out.append(R"(,"preconditions":[")").append(precondition).append(R"("])");
    return out.append("}");
}

// Five variables on 0..9 and eight stepping actions: 100000 grid points, so
// compilation stops at the expansion limit. The score puts it in Continuous mode.
VibeSchema worst_case() {
    std::string vars = "{";
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        if (vars.size() > 1) vars += ",";
        vars.append("\"").append(name).append(
            R"(":{"type":"int","initial":0,"min":0,"max":9,"discretization":1})");
    }
    vars += "}";
    std::string actions = "[";
    actions += step_action("a", 1, 1, "a < 9") + "," + step_action("a", -1, 1, "a > 0") + ",";
    actions += step_action("b", 1, 2, "b < 9") + "," + step_action("b", -1, 1, "b > 0 && a > 0");
    actions += "," + step_action("c", 1, 3, "") + "," + step_action("d", 1, 1, "d <= 8") + ",";
    actions += step_action("e", 1, 2, "true") + "," + step_action("c", -2, 1, "c >= 2") + "]";
    return read(document(12, R"({"time":{"initial":40,"min":0}})", vars, actions));
}

// Two variables on 0..100 stepped by 10 under a hard cap: about a hundred states,
// a score far above the discrete threshold.
VibeSchema continuous_case() {
    const std::string vars =
        R"({"a":{"type":"float","initial":0,"min":0,"max":100,"discretization":1},)"
        R"("b":{"type":"float","initial":0,"min":0,"max":100,"discretization":1}})";
    const std::string actions = "[" + step_action("a", 10, 1, "") + "," +
                                step_action("b", 10, 2, "") + "," + step_action("a", -10, 1, "") +
                                "]";
    const std::string constraints =
        R"([{"type":"threshold","mode":"hard","variable":"a","operator":"lte","value":70},)"
        R"({"type":"threshold","mode":"soft","variable":"b","operator":"gte","value":20}])";
    return read(document(12, R"({"time":{"initial":30,"min":0}})", vars, actions, constraints));
}

// Two variables on 0..5 and three actions, horizon 6: Discrete, 36 states.
VibeSchema small_case() {
    const std::string vars =
        R"({"a":{"type":"int","initial":0,"min":0,"max":5,"discretization":1},)"
        R"("b":{"type":"int","initial":0,"min":0,"max":5,"discretization":1}})";
    const std::string actions = "[" + step_action("a", 1, 1, "") + "," +
                                step_action("b", 1, 2, "") + "," +
                                step_action("a", -1, 1, "a > 0") + "]";
    return read(document(6, R"({"time":{"initial":12,"min":0}})", vars, actions));
}

// Three variables on 0..9 (1000 states) but horizon 1: Discrete with the
// largest graph a discrete local run meets in practice.
VibeSchema discrete_grid_case() {
    std::string vars = "{";
    for (const char* name : {"a", "b", "c"}) {
        if (vars.size() > 1) vars += ",";
        vars.append("\"").append(name).append(
            R"(":{"type":"int","initial":0,"min":0,"max":9,"discretization":1})");
    }
    vars += "}";
    const std::string actions = "[" + step_action("a", 1, 1, "") + "," +
                                step_action("b", 1, 2, "") + "," + step_action("c", 1, 3, "") +
                                "," + step_action("a", -1, 1, "") + "]";
    return read(document(1, R"({"time":{"initial":40,"min":0}})", vars, actions));
}

// Width work of a discrete run: one least-cost table answering every step versus one
// bounded search per step (and one for W0), as a per-step walk would do.
void compare_widths(const char* name, const VibeSchema& schema, int runs) {
    const InitialStateSearch search(compile_state_graph(schema));
    const double budget = schema.resources.front().second.initial;
    const std::size_t horizon = schema.time.horizon;
    std::size_t sink = 0;
    const double table = median_seconds(runs, [&] {
        const ReachableWidth widths(search);
        sink += widths.count(budget);
        for (std::size_t t = 0; t <= horizon; ++t)
            sink += widths.count(step_budget(budget, t, horizon));
    });
    const double per_step = median_seconds(runs, [&] {
        sink += search.count_reachable(budget);
        for (std::size_t t = 0; t <= horizon; ++t) {
            const double b = step_budget(budget, t, horizon);
            if (b > 0) sink += search.count_reachable(b);
        }
    });
    std::printf("  %-28s widths: table %9.1f us   per-step search %9.1f us   ratio %.2fx  (%zu)\n",
                name, table * 1e6, per_step * 1e6, per_step / table, sink % 10);
}

// The pipeline's graph (compile_state_graph, searched from its initial state)
// beside the public state space and engine over it, measured in the same run.
void compare_compile_paths(const char* name, const VibeSchema& schema, int runs) {
    const double budget = schema.resources.front().second.initial;
    const std::string start = hash_state(get_initial_attributes(schema.variables));
    std::size_t sink = 0;
    const double space_path = median_seconds(runs, [&] {
        const ReachabilityEngine engine(ScenarioCompiler::compile(schema));
        sink += engine.count_reachable(start, budget);
    });
    const double graph_path = median_seconds(runs, [&] {
        const InitialStateSearch search(compile_state_graph(schema));
        sink += search.count_reachable(budget);
    });
    std::printf(
        "  %-28s compile, index and one search: state space and engine %9.1f us   graph %9.1f "
        "us   ratio %.2fx  (%zu)\n",
        name, space_path * 1e6, graph_path * 1e6, space_path / graph_path, sink % 10);
}

// Where the time of one run goes, stage by stage.
void breakdown(const char* name, const VibeSchema& schema, int runs) {
    const double budget = schema.resources.front().second.initial;
    const double compile = median_seconds(runs, [&] { (void)compile_state_graph(schema); });
    const StateGraph graph = compile_state_graph(schema);
    const double compile_and_index =
        median_seconds(runs, [&] { const InitialStateSearch s(compile_state_graph(schema)); });
    const InitialStateSearch search(graph);
    const double one_search = median_seconds(runs, [&] { (void)search.count_reachable(budget); });
    const double table = median_seconds(runs, [&] { ReachableWidth w(search); });
    const double whole = median_seconds(runs, [&] { (void)simulate(schema, std::nullopt); });
    std::printf(
        "  %-28s whole %9.1f us: compile %9.1f, search index %8.1f, rest of the pipeline %8.1f "
        "(one search %.1f, least-cost table %.1f; states %zu, transitions %zu)\n",
        name, whole * 1e6, compile * 1e6, (compile_and_index - compile) * 1e6,
        (whole - compile_and_index) * 1e6, one_search * 1e6, table * 1e6, graph.state_count,
        graph.from.size());
}

}  // namespace

int main() {
    const VibeSchema worst = worst_case();
    const long simulate_kib =
        child_peak_added_kib([&] { (void)write_result(simulate(worst, std::nullopt)); });
    const long compile_kib = child_peak_added_kib([&] { (void)compile_state_graph(worst); });
    const long space_kib =
        child_peak_added_kib([&] { const ReachabilityEngine e(ScenarioCompiler::compile(worst)); });
    const std::string first = write_result(simulate(worst, std::nullopt));

    const VibeSchema continuous = continuous_case();
    const VibeSchema small = small_case();
    const VibeSchema grid = discrete_grid_case();

    std::printf("simulate (medians)\n");
    const Timing worst_t = median_timing(41, [&] { (void)simulate(worst, std::nullopt); });
    const double worst_compile = median_seconds(41, [&] { (void)compile_state_graph(worst); });
    const double continuous_t =
        median_seconds(401, [&] { (void)simulate(continuous, std::nullopt); });
    const Timing small_t = median_timing(4001, [&] { (void)simulate(small, std::nullopt); });
    const double grid_t = median_seconds(201, [&] { (void)simulate(grid, std::nullopt); });
    const double write_t =
        median_seconds(4001, [&] { (void)write_result(simulate(small, 5.0)); }) - small_t.wall;

    std::printf(
        "  worst local case (5 vars, H 12, 8 actions, limit reached): %8.3f ms  "
        "(target <= 5 ms; thread CPU %.3f ms; compile alone %.3f ms = %.0f %%)\n",
        worst_t.wall * 1e3, worst_t.cpu * 1e3, worst_compile * 1e3,
        100.0 * worst_compile / worst_t.wall);
    std::printf(
        "  continuous-mode scenario:                                  %8.3f ms  "
        "(target <= 1 ms)\n",
        continuous_t * 1e3);
    std::printf(
        "  small scenario (2 vars, 3 actions, H 6):                   %8.2f us  "
        "(target <= 30 us; thread CPU %.2f us)\n",
        small_t.wall * 1e6, small_t.cpu * 1e6);
    std::printf("  discrete 1000-state grid (3 vars, H 1):                    %8.3f ms\n",
                grid_t * 1e3);
    std::printf("  writing the small result document:                         %8.2f us\n",
                write_t * 1e6);
    std::printf(
        "  worst case peak memory added: %.2f MiB (target <= 16 MiB); graph compile alone %.2f "
        "MiB; the public state space and its engine %.2f MiB; document %zu bytes\n",
        simulate_kib / 1024.0, compile_kib / 1024.0, space_kib / 1024.0, first.size());
    std::printf("breakdown (medians)\n");
    breakdown("worst local case", worst, 21);
    breakdown("continuous scenario", continuous, 201);
    breakdown("small scenario", small, 2001);

    std::printf("side by side\n");
    compare_compile_paths("worst local case", worst, 21);
    compare_compile_paths("small scenario", small, 2001);
    compare_widths("small scenario", small, 4001);
    compare_widths("discrete 1000-state grid", grid, 201);
    {
        const std::vector<std::string> names{"a", "b"};
        const PolytopeModel model =
            build_polytope(names, continuous.variables, continuous.constraints);
        const EstimatorTables tables = make_estimator_tables(continuous.variables);
        const double once =
            median_seconds(101, [&] { (void)estimate_volume(model.planes, tables, names); });
        std::printf(
            "  %-28s estimate: once %9.1f us   once per step (x12) %9.1f us   ratio %.2fx\n",
            "continuous scenario", once * 1e6, 12 * once * 1e6, 12.0);
    }
    return 0;
}
