// objprep converting a dense model the viewer cannot hold: a 1,000,000-triangle binary STL
// (a torus, 50 MB), simplified to the viewer's 262,144 triangles, and to the grid's 10,000.
// "program" runs the objprep program as a user does and waits for it: wall time from start
// to exit, the file read, converted, written and the memory given back; beside it the
// program's own processor time (child_cpu_ms), which other jobs on the machine disturb
// less. "in_process" is the same conversion called in this process (no program start).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "TorusModel.h"

namespace {

constexpr int rings = 1000, sides = 500;  // 2 * 1000 * 500 triangles
constexpr int repetitions = 5;

std::filesystem::path folder;

std::string input() { return (folder / "torus-1m.stl").string(); }
std::string output() { return (folder / "out.obj").string(); }

std::string quoted(const std::string& s) { return "'" + s + "'"; }

void program(benchmark::State& state, std::vector<std::string> options) {
    std::string command = quoted(OBJPREP_PROGRAM) + " " + quoted(input()) + " -o " + quoted(output());
    for (const std::string& o : options)
        command += " " + o;
    command += " 2>/dev/null";
    const auto childCpuMs = [] {
        rusage r{};
        getrusage(RUSAGE_CHILDREN, &r);
        const auto ms = [](timeval t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
        return ms(r.ru_utime) + ms(r.ru_stime);
    };
    const double before = childCpuMs();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("objprep failed");
    state.counters["child_cpu_ms"] = benchmark::Counter(childCpuMs() - before, benchmark::Counter::kAvgIterations);
}

void inProcess(benchmark::State& state, std::vector<std::string> options) {
    options.insert(options.begin(), {"objprep", input(), "-o", output()});
    std::vector<const char*> argv;
    for (const std::string& a : options)
        argv.push_back(a.c_str());
    for (auto _ : state) {
        std::ostringstream out, err;
        if (runObjprep(static_cast<int>(argv.size()), argv.data(), out, err) != exitDone)
            state.SkipWithError("objprep failed");
    }
}

double least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void setUp(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(repetitions);
    b->ComputeStatistics("min", least);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    folder = std::filesystem::temp_directory_path() / ("objprep-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(input(), std::ios::binary) << torus::binaryStl(rings, sides);

    // What the conversion says, once, for the record.
    const std::string said = (folder / "said.txt").string();
    std::system((quoted(OBJPREP_PROGRAM) + " " + quoted(input()) + " -o " + quoted(output()) + " 2>" + quoted(said)).c_str());
    std::stringstream summary;
    summary << std::ifstream(said).rdbuf();
    std::printf("%s", summary.str().c_str());

    setUp(benchmark::RegisterBenchmark("program/main", program, std::vector<std::string>{}));
    setUp(benchmark::RegisterBenchmark("in_process/main", inProcess, std::vector<std::string>{}));
    setUp(benchmark::RegisterBenchmark("program/grid", program, std::vector<std::string>{"--for", "grid"}));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
}
