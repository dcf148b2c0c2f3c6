#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/ObjTrace.h"

namespace {
constexpr double megabyte = 1e6;  // bytes: MB/s as throughput figures are usually quoted

struct BenchFile {
    std::string path;
    long bytes = 0;
};
BenchFile first, second;  // two capacity-filling files, as "1.obj" and "2.obj" at start-up

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

void ViewerLoader(benchmark::State& state) {
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

// What a tool that explains files pays for the trace; the viewer's load has no hook.
void ViewerLoaderTraced(benchmark::State& state) {
    std::unique_ptr<Mesh> mesh(Mesh::create(first.path.c_str()));
    long records = 0;
    for (auto _ : state) loadObjTraced(*mesh, first.path.c_str(), [](void* n, const ObjRecord&) { ++*static_cast<long*>(n); }, &records);
    benchmark::DoNotOptimize(records);
    state.SetBytesProcessed(state.iterations() * first.bytes);
}

// Start-up's share: creating both meshes (allocation included) from two full files.
void StartUpTwoFullFiles(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<Mesh> a(Mesh::create(first.path.c_str()));
        std::unique_ptr<Mesh> b(Mesh::create(second.path.c_str()));
        benchmark::DoNotOptimize(a->faceCount + b->faceCount);
    }
    state.SetBytesProcessed(state.iterations() * (first.bytes + second.bytes));
}

BENCHMARK(ViewerLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(TinyObjLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(ViewerLoaderTraced)->Unit(benchmark::kMillisecond);
BENCHMARK(StartUpTwoFullFiles)->Unit(benchmark::kMillisecond);

// The console report, plus the throughput ratio of the two loaders measured in this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, the median stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            const auto rate = run.counters.find("bytes_per_second");
            if (rate != run.counters.end())
                megabytesPerSecond[run.run_name.function_name] = rate->second.value / megabyte;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ours = megabytesPerSecond.find("ViewerLoader");
        const auto theirs = megabytesPerSecond.find("TinyObjLoader");
        std::printf("\nfile: %.1f MB (%d v, vn and f records each); CPU-time throughput:\n", first.bytes / megabyte,
                    Mesh::capacity);
        for (const auto& [name, rate] : megabytesPerSecond) std::printf("%-22s %8.1f MB/s\n", name.c_str(), rate);
        if (ours != megabytesPerSecond.end() && theirs != megabytesPerSecond.end() && theirs->second > 0)
            std::printf("ViewerLoader / TinyObjLoader: %.1fx\n", ours->second / theirs->second);
    }

private:
    std::map<std::string, double> megabytesPerSecond;
};
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::string dir = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) + "/loader-bench-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("loader_bench: temp dir");
        return 1;
    }
    first = writeFullFile(dir + "/1.obj", 1);
    second = writeFullFile(dir + "/2.obj", 2);
    int status = 0;
    if (first.bytes > 0 && second.bytes > 0) {
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        std::fprintf(stderr, "loader_bench: cannot write the files in %s\n", dir.c_str());
        status = 1;
    }
    ::unlink(first.path.c_str());
    ::unlink(second.path.c_str());
    ::rmdir(dir.c_str());
    benchmark::Shutdown();
    return status;
}
