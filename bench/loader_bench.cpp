#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tiny_obj_loader.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjPlainWide.h"
#include "mesh/ObjTrace.h"

namespace {
constexpr double megabyte = 1e6;  // bytes: MB/s as throughput figures are usually quoted

struct BenchFile {
    std::string path;
    long bytes = 0;
};
BenchFile first, second;  // two capacity-filling files, as "1.obj" and "2.obj" at start-up
std::string empty;        // an empty file, to make a mesh without reading

// A valid file with Mesh::capacity records of each of "v", "vn" and "f", as an exporter
// writes them: six decimals, faces as a//c corners.
BenchFile writeFullFile(const std::string& path, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coordinate(-100.0, 100.0), unit(-1.0, 1.0);
    std::uniform_int_distribution<int> index(1, Mesh::capacity);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return {};
    for (int i = 0; i < Mesh::capacity; ++i)
        std::fprintf(f, "v %.6f %.6f %.6f\n", coordinate(rng), coordinate(rng), coordinate(rng));
    for (int i = 0; i < Mesh::capacity; ++i) std::fprintf(f, "vn %.6f %.6f %.6f\n", unit(rng), unit(rng), unit(rng));
    for (int i = 0; i < Mesh::capacity; ++i) {
        const int a = index(rng), b = index(rng), c = index(rng);
        std::fprintf(f, "f %d//%d %d//%d %d//%d\n", a, a, b, b, c, c);
    }
    const long bytes = std::ftell(f);
    std::fclose(f);
    return {path, bytes};
}

// What start-up waits for: creating a mesh from its file, allocation included.
void MeshCreate(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<Mesh> mesh(Mesh::create(first.path.c_str()));
        benchmark::DoNotOptimize(mesh->faceCount);
        if (mesh->faceCount != Mesh::capacity) state.SkipWithError("the file did not load whole");
    }
    state.SetBytesProcessed(state.iterations() * first.bytes);
}

// The same with the plain sequential reader every faster reading is checked against: one
// thread, every line through the token reader. (The mesh is made from an empty file first.)
void MeshCreateReference(benchmark::State& state) {
    const ObjLoadOptions reference = referenceLoadOptions();
    for (auto _ : state) {
        std::unique_ptr<Mesh> mesh(Mesh::create(empty.c_str()));
        loadObj(*mesh, first.path.c_str(), reference);
        benchmark::DoNotOptimize(mesh->faceCount);
    }
    state.SetBytesProcessed(state.iterations() * first.bytes);
}

// Loading again into a mesh created before: no allocation, its pages already in memory.
void MeshReload(benchmark::State& state) {
    std::unique_ptr<Mesh> mesh(Mesh::create(first.path.c_str()));
    for (auto _ : state) {
        mesh->load(first.path.c_str());
        benchmark::DoNotOptimize(mesh->faceCount);
    }
    if (mesh->faceCount != Mesh::capacity) state.SkipWithError("the file did not load whole");
    state.SetBytesProcessed(state.iterations() * first.bytes);
}

void TinyObjLoader(benchmark::State& state) {
    std::size_t faces = 0;
    for (auto _ : state) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, first.path.c_str());
        faces = shapes.empty() ? 0 : shapes[0].mesh.num_face_vertices.size();
        benchmark::DoNotOptimize(faces);
    }
    if (faces != std::size_t(Mesh::capacity)) state.SkipWithError("tinyobjloader did not load the file whole");
    state.SetBytesProcessed(state.iterations() * first.bytes);
}

// What a tool that explains files pays for the trace (the reference reader with a hook).
void MeshReloadTraced(benchmark::State& state) {
    std::unique_ptr<Mesh> mesh(Mesh::create(first.path.c_str()));
    long records = 0;
    for (auto _ : state) loadObjTraced(*mesh, first.path.c_str(), [](void* n, const ObjRecord&) { ++*static_cast<long*>(n); }, &records);
    benchmark::DoNotOptimize(records);
    state.SetBytesProcessed(state.iterations() * first.bytes);
}

// Start-up's share: creating both meshes, allocation included, from two full files.
void StartUpTwoFullFiles(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<Mesh> a(Mesh::create(first.path.c_str()));
        std::unique_ptr<Mesh> b(Mesh::create(second.path.c_str()));
        benchmark::DoNotOptimize(a->faceCount + b->faceCount);
    }
    state.SetBytesProcessed(state.iterations() * (first.bytes + second.bytes));
}

// "v" lines in memory with `decimals` decimals, coordinates within 100 units: six give
// numbers of up to eight digits, which the wide reading takes; nine give longer ones.
std::string vertexLines(int decimals) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> coordinate(-100.0, 100.0);
    std::string text;
    char line[128];
    for (int i = 0; i < Mesh::capacity; ++i) {
        std::snprintf(line, sizeof line, "v %.*f %.*f %.*f\n", decimals, coordinate(rng), decimals, coordinate(rng),
                      decimals, coordinate(rng));
        text += line;
    }
    return text + std::string(objplain::lineSpan, '\0');  // the span a line's reading may look at
}

// One thread reading such lines from memory: the viewer's way (wide first) against word at
// a time only. What the wide reading gains, and what trying it costs on lines it leaves.
template <bool wideFirst>
void VertexLines(benchmark::State& state) {
    static const std::string six = vertexLines(6), nine = vertexLines(9);
    const std::string& text = state.range(0) == 6 ? six : nine;
    const unsigned char* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const last = begin + text.size() - objplain::lineSpan;
    int lines = 0;
    for (auto _ : state) {
        lines = 0;
        Vec3 v{};
        for (const unsigned char* p = begin; p < last; ++lines) {
            const unsigned char* end = wideFirst ? objplain::wide::vector(p + 2, v) : nullptr;
            if (end == nullptr) end = objplain::vector(p + 2, v);
            if (end == nullptr) break;
            p = end;
        }
        benchmark::DoNotOptimize(v);
    }
    if (lines != Mesh::capacity) state.SkipWithError("a line was not read");
}

// Wall time throughout: the load uses a second thread, and start-up waits for both. Each
// figure is the best of several repetitions, so that a moment's load on a shared machine
// does not count against one side only.
constexpr int repetitions = 7;
double smallest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
#define LOADER_BENCHMARK(name)                                                                         \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(repetitions)->ComputeStatistics( \
        "best", smallest)
LOADER_BENCHMARK(MeshCreate);
LOADER_BENCHMARK(TinyObjLoader);
LOADER_BENCHMARK(MeshCreateReference);
LOADER_BENCHMARK(MeshReload);
LOADER_BENCHMARK(MeshReloadTraced);
LOADER_BENCHMARK(StartUpTwoFullFiles);
LOADER_BENCHMARK(VertexLines<true>)->Arg(6)->Arg(9);
LOADER_BENCHMARK(VertexLines<false>)->Arg(6)->Arg(9);

// Creating both meshes first thing in a new process, as start-up does: inside the
// benchmark loop the C library hands back memory touched before. Best of several
// processes, in milliseconds; 0 when none could be made.
double freshStartUp() {
    double best = 0;
    for (int i = 0; i < repetitions; ++i) {
        int out[2];
        if (::pipe(out) != 0) break;
        const pid_t child = ::fork();
        if (child == 0) {
            const auto begin = std::chrono::steady_clock::now();
            std::unique_ptr<Mesh> a(Mesh::create(first.path.c_str()));
            std::unique_ptr<Mesh> b(Mesh::create(second.path.c_str()));
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
            const bool whole = a->faceCount == Mesh::capacity && b->faceCount == Mesh::capacity;
            const ssize_t written = ::write(out[1], &ms, whole ? sizeof ms : 0);
            ::_exit(written == sizeof ms ? 0 : 1);
        }
        ::close(out[1]);
        double ms = 0;
        const bool got = child > 0 && ::read(out[0], &ms, sizeof ms) == sizeof ms;
        ::close(out[0]);
        if (child > 0) ::waitpid(child, nullptr, 0);
        if (got && (best == 0 || ms < best)) best = ms;
    }
    return best;
}

// The console report, then each benchmark's best wall time and the ratios measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    double firstStartUp = 0;  // ms: both meshes created first thing in a fresh process, best of several
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "best")
                (run.run_name.args.empty() ? milliseconds[run.run_name.function_name]
                                           : lines[run.run_name.function_name + "/" + run.run_name.args]) = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nfile: %.1f MB (%d v, vn and f records each); best of %d, wall time:\n", first.bytes / megabyte,
                    Mesh::capacity, repetitions);
        for (const auto& [name, ms] : milliseconds)
            std::printf("%-22s %8.1f ms %8.0f MB/s\n", name.c_str(), ms,
                        (name == "StartUpTwoFullFiles" ? first.bytes + second.bytes : first.bytes) / megabyte / (ms / 1e3));
        std::printf("both meshes created first thing in a fresh process (start-up): %.1f ms (best of %d processes)\n",
                    firstStartUp, repetitions);
        if (!lines.empty())
            std::printf("v lines from memory, one thread (<true>: wide reading first, <false>: word at a time only; "
                        "/decimals):\n");
        for (const auto& [name, ms] : lines)
            std::printf("%-22s %8.1f ns per line\n", name.c_str(), ms * 1e6 / Mesh::capacity);
        const auto theirs = milliseconds.find("TinyObjLoader");
        if (theirs == milliseconds.end()) return;
        for (const char* ours : {"MeshCreate", "MeshCreateReference", "MeshReload"}) {
            const auto it = milliseconds.find(ours);
            if (it != milliseconds.end() && it->second > 0)
                std::printf("TinyObjLoader / %-20s %5.1fx\n", ours, theirs->second / it->second);
        }
    }

private:
    std::map<std::string, double> milliseconds;  // reading full files
    std::map<std::string, double> lines;         // reading lines from memory, by decimals
};
}  // namespace

int main(int argc, char** argv) {
    // The benchmarks' repetitions take turns, so that a busy moment of a shared machine
    // falls on all of them alike; only the aggregates are printed. Later arguments win.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {interleave, aggregates});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    std::string dir = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) + "/loader-bench-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("loader_bench: temp dir");
        return 1;
    }
    first = writeFullFile(dir + "/1.obj", 1);
    second = writeFullFile(dir + "/2.obj", 2);
    empty = dir + "/empty.obj";
    int status = 0;
    if (first.bytes > 0 && second.bytes > 0) {
        RatioReporter reporter;
        reporter.firstStartUp = freshStartUp();
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        std::fprintf(stderr, "loader_bench: cannot write the files in %s\n", dir.c_str());
        status = 1;
    }
    ::unlink(first.path.c_str());
    ::unlink(second.path.c_str());
    ::unlink(empty.c_str());
    ::rmdir(dir.c_str());
    benchmark::Shutdown();
    return status;
}
