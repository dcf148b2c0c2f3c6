#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tiny_obj_loader.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjTrace.h"
#include "tools/objprep/StrictObj.h"

namespace {
constexpr double megabyte = 1e6;  // bytes: MB/s as throughput figures are usually quoted

struct BenchFile {
    std::string path;
    long bytes = 0;
};
BenchFile first, second;  // two capacity-filling files, as "1.obj" and "2.obj" at start-up
BenchFile converted;      // as many records, as objprep writes them
std::string empty;        // an empty file, to make a mesh without reading

BenchFile fileAt(const std::string& path) {
    struct stat s;
    return {path, ::stat(path.c_str(), &s) == 0 ? static_cast<long>(s.st_size) : 0};
}

// Written in one piece, as objprep writes its output, and on the disk before anything is
// timed, as a file is that start-up reads. (A file written in small pieces, as stdio's 4 KB
// buffer does, sits in the page cache in small pages: reading it back then costs either
// reader 2 to 3 ms more.)
BenchFile writeFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return {};
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0 &&
                         ::fsync(::fileno(f)) == 0;
    if (std::fclose(f) != 0 || !written) return {};
    return {path, static_cast<long>(text.size())};
}

// A valid file with Mesh::capacity records of each of "v", "vn" and "f", as an exporter
// writes them: six decimals, faces as a//c corners.
BenchFile writeFullFile(const std::string& path, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coordinate(-100.0, 100.0), unit(-1.0, 1.0);
    std::uniform_int_distribution<int> index(1, Mesh::capacity);
    std::string text;
    char line[128];
    for (int i = 0; i < Mesh::capacity; ++i) {
        const double x = coordinate(rng), y = coordinate(rng), z = coordinate(rng);
        text.append(line, std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x, y, z));
    }
    for (int i = 0; i < Mesh::capacity; ++i) {
        const double x = unit(rng), y = unit(rng), z = unit(rng);
        text.append(line, std::snprintf(line, sizeof line, "vn %.6f %.6f %.6f\n", x, y, z));
    }
    for (int i = 0; i < Mesh::capacity; ++i) {
        const int a = index(rng), b = index(rng), c = index(rng);
        text.append(line, std::snprintf(line, sizeof line, "f %d//%d %d//%d %d//%d\n", a, a, b, b, c, c));
    }
    return writeFile(path, text);
}

// The same number of records as objprep's converter writes them, through its own writer: a
// framed model's coordinates (within 10 units of the origin) and unit normals, each float as
// the shortest text that reads back to it (mostly 7 to 10 digits; 17 where the shortest
// would not survive the viewer's rounding to double first), and a//n corners.
BenchFile writeConvertedFile(const std::string& path, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coordinate(-10.0, 10.0), unit(-1.0, 1.0);
    std::uniform_int_distribution<int> index(0, Mesh::capacity - 1);
    StrictObj model;
    model.vertices.resize(Mesh::capacity);
    model.normals.resize(Mesh::capacity);
    model.triangles.resize(Mesh::capacity);
    for (auto& v : model.vertices)
        for (float& c : v) c = static_cast<float>(coordinate(rng));
    for (auto& n : model.normals) {
        const double x = unit(rng), y = unit(rng), z = unit(rng), length = std::sqrt(x * x + y * y + z * z);
        n = {static_cast<float>(x / length), static_cast<float>(y / length), static_cast<float>(z / length)};
    }
    for (StrictObj::Triangle& t : model.triangles)
        for (int k = 0; k < 3; ++k) t.vertex[k] = t.normal[k] = index(rng);  // smooth: a normal per position
    return writeFile(path, writeStrictObj(model));
}

// What start-up waits for: creating a mesh from its file, allocation included.
void MeshCreate(benchmark::State& state, const BenchFile* file) {
    for (auto _ : state) {
        std::unique_ptr<Mesh> mesh(Mesh::create(file->path.c_str()));
        benchmark::DoNotOptimize(mesh->faceCount);
        if (mesh->faceCount != Mesh::capacity) state.SkipWithError("the file did not load whole");
    }
    state.SetBytesProcessed(state.iterations() * file->bytes);
}

// The same with the reference reader alone, every line through the token reader. (The
// mesh is made from an empty file first.)
void MeshCreateReference(benchmark::State& state, const BenchFile* file) {
    ObjLoadOptions reference;
    reference.fastLines = false;
    for (auto _ : state) {
        std::unique_ptr<Mesh> mesh(Mesh::create(empty.c_str()));
        mesh->load(file->path.c_str(), reference);
        benchmark::DoNotOptimize(mesh->faceCount);
    }
    state.SetBytesProcessed(state.iterations() * file->bytes);
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

// tinyobjloader's LoadObj on `path`; the faces read.
std::size_t tinyObjLoad(const std::string& path) {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str());
    return shapes.empty() ? 0 : shapes[0].mesh.num_face_vertices.size();
}

void TinyObjLoader(benchmark::State& state, const BenchFile* file) {
    std::size_t faces = 0;
    for (auto _ : state) {
        faces = tinyObjLoad(file->path);
        benchmark::DoNotOptimize(faces);
    }
    if (faces != std::size_t(Mesh::capacity)) state.SkipWithError("tinyobjloader did not load the file whole");
    state.SetBytesProcessed(state.iterations() * file->bytes);
}

// What a tool that explains files pays for the trace (the reference reader with a hook).
void MeshReloadTraced(benchmark::State& state) {
    std::unique_ptr<Mesh> mesh(Mesh::create(first.path.c_str()));
    long records = 0;
    ObjLoadOptions traced;
    traced.trace = [](void* n, const ObjRecord&) { ++*static_cast<long*>(n); };
    traced.traceContext = &records;
    for (auto _ : state) mesh->load(first.path.c_str(), traced);
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

void TinyObjLoaderTwoFiles(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tinyObjLoad(first.path) + tinyObjLoad(second.path));
    state.SetBytesProcessed(state.iterations() * (first.bytes + second.bytes));
}

// One thread throughout; wall time is what start-up waits for, and the CPU time beside it
// moves less with other jobs. Each figure is the best of several repetitions that take turns
// with the other benchmarks, so that a moment's load on a shared machine does not count
// against one side only.
constexpr int repetitions = 7;
double smallest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
#define LOADER_SETTINGS \
    Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(repetitions)->ComputeStatistics("best", smallest)
#define LOADER_BENCHMARK(name) BENCHMARK(name)->LOADER_SETTINGS
#define LOADER_BENCHMARK_ON(name, file) BENCHMARK_CAPTURE(name, file, &file)->LOADER_SETTINGS
LOADER_BENCHMARK_ON(MeshCreate, first);
LOADER_BENCHMARK_ON(TinyObjLoader, first);
LOADER_BENCHMARK_ON(MeshCreateReference, first);
LOADER_BENCHMARK_ON(MeshCreate, converted);
LOADER_BENCHMARK_ON(TinyObjLoader, converted);
LOADER_BENCHMARK_ON(MeshCreateReference, converted);
LOADER_BENCHMARK(MeshReload);
LOADER_BENCHMARK(MeshReloadTraced);
LOADER_BENCHMARK(StartUpTwoFullFiles);
LOADER_BENCHMARK(TinyObjLoaderTwoFiles);

// Both files read first thing in a new process, as start-up reads them: inside the
// benchmark loop the C library hands back memory touched before. Milliseconds; 0 when the
// process could not be made or did not read both files whole.
double freshStartUp(bool tinyObj) {
    int out[2];
    if (::pipe(out) != 0) return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        const auto begin = std::chrono::steady_clock::now();
        bool whole;
        if (tinyObj) {
            whole = tinyObjLoad(first.path) == std::size_t(Mesh::capacity) && tinyObjLoad(second.path) == std::size_t(Mesh::capacity);
        } else {
            std::unique_ptr<Mesh> a(Mesh::create(first.path.c_str()));
            std::unique_ptr<Mesh> b(Mesh::create(second.path.c_str()));
            whole = a->faceCount == Mesh::capacity && b->faceCount == Mesh::capacity;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        const ssize_t written = ::write(out[1], &ms, whole ? sizeof ms : 0);
        ::_exit(written == sizeof ms ? 0 : 1);
    }
    ::close(out[1]);
    double ms = 0;
    if (child <= 0 || ::read(out[0], &ms, sizeof ms) != sizeof ms) ms = 0;
    ::close(out[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    return ms;
}

// The console report, then each benchmark's best times and the ratios measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // ms: both files read first thing in a fresh process, best of several, the readers taking turns
    double freshOurs = 0, freshTheirs = 0;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "best")
                best[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nfiles of %d v, vn and f records each: first %.1f MB (six decimals), converted %.1f MB "
                    "(objprep's output); one thread; best of %d:\n",
                    Mesh::capacity, first.bytes / megabyte, converted.bytes / megabyte, repetitions);
        std::printf("%-30s %10s %10s %10s\n", "", "wall ms", "CPU ms", "MB/s");
        for (const auto& [name, times] : best)
            std::printf("%-30s %10.1f %10.1f %10.0f\n", name.c_str(), times.wall, times.cpu,
                        bytesRead(name) / megabyte / (times.wall / 1e3));
        std::printf("start-up, both files read first thing in a fresh process (best of %d each): %.1f ms, "
                    "tinyobjloader %.1f ms\n", repetitions, freshOurs, freshTheirs);
        std::printf("\nagainst tinyobjloader in this run (its time / ours; wall, CPU):\n");
        ratio("creation", "TinyObjLoader/first", "MeshCreate/first");
        ratio("creation, reference reader", "TinyObjLoader/first", "MeshCreateReference/first");
        ratio("reload", "TinyObjLoader/first", "MeshReload");
        ratio("start-up, both files", "TinyObjLoaderTwoFiles", "StartUpTwoFullFiles");
        if (freshOurs > 0 && freshTheirs > 0)
            std::printf("%-34s %6.1fx\n", "start-up, fresh process", freshTheirs / freshOurs);
        ratio("converted: creation", "TinyObjLoader/converted", "MeshCreate/converted");
        ratio("converted: creation, reference", "TinyObjLoader/converted", "MeshCreateReference/converted");
    }

private:
    struct Times {
        double wall, cpu;
    };
    void ratio(const char* what, const char* theirs, const char* ours) const {
        const auto t = best.find(theirs), o = best.find(ours);
        if (t != best.end() && o != best.end() && o->second.wall > 0 && o->second.cpu > 0)
            std::printf("%-34s %6.1fx %6.1fx\n", what, t->second.wall / o->second.wall, t->second.cpu / o->second.cpu);
    }
    static long bytesRead(const std::string& name) {
        if (name == "StartUpTwoFullFiles" || name == "TinyObjLoaderTwoFiles") return first.bytes + second.bytes;
        return name.find("/converted") != std::string::npos ? converted.bytes : first.bytes;
    }
    std::map<std::string, Times> best;
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
    // Written by a child process: the text built for the files would stay in this process's
    // heap, and a fresh process forked from here would start with it, unlike a real one (the
    // viewer's start-up took 44 ms instead of 33, its meshes on pages to be copied first;
    // tinyobjloader's 326 instead of 353, its vectors on pages touched before).
    const pid_t writer = ::fork();
    if (writer == 0) {
        const bool written = writeFullFile(dir + "/1.obj", 1).bytes > 0 && writeFullFile(dir + "/2.obj", 2).bytes > 0 &&
                             writeConvertedFile(dir + "/converted.obj", 3).bytes > 0;
        ::_exit(written ? 0 : 1);
    }
    int writerStatus = 1;
    if (writer > 0) ::waitpid(writer, &writerStatus, 0);
    if (writerStatus == 0) {
        first = fileAt(dir + "/1.obj");
        second = fileAt(dir + "/2.obj");
        converted = fileAt(dir + "/converted.obj");
    }
    empty = dir + "/empty.obj";
    int status = 0;
    if (first.bytes > 0 && second.bytes > 0 && converted.bytes > 0) {
        RatioReporter reporter;
        for (int i = 0; i < repetitions; ++i) {
            const double ours = freshStartUp(false), theirs = freshStartUp(true);
            if (ours > 0 && (reporter.freshOurs == 0 || ours < reporter.freshOurs)) reporter.freshOurs = ours;
            if (theirs > 0 && (reporter.freshTheirs == 0 || theirs < reporter.freshTheirs)) reporter.freshTheirs = theirs;
        }
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        std::fprintf(stderr, "loader_bench: cannot write the files in %s\n", dir.c_str());
        status = 1;
    }
    for (const char* name : {"/1.obj", "/2.obj", "/converted.obj", "/empty.obj"}) ::unlink((dir + name).c_str());
    ::rmdir(dir.c_str());
    benchmark::Shutdown();
    return status;
}
