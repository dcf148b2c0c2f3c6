// objprep's converter on any bytes: it must not crash, leak or misbehave, a refusal must
// say why, and whatever it writes must be the strict form the viewer reads completely.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Convert.h"
#include "mesh/Mesh.h"

namespace {

constexpr std::size_t fieldMostChars = 30;  // the viewer reads a field with its delimiter up to this
constexpr double unitTolerance = 1e-5;
// A budget small enough that the fuzzer's small models are simplified too.
constexpr int smallBudget = 8;

[[noreturn]] void fail(const char* what, std::string_view line) {
    std::fprintf(stderr, "objprep fuzz: %s: \"%.*s\"\n", what, static_cast<int>(line.size()), line.data());
    std::abort();
}

// The option byte (the input's first) picks target, up axis, normals, fitting, framing, a
// far placement and a small triangle budget, so that every path of the placement and of
// the simplification runs.
ConvertOptions optionsFrom(std::uint8_t b) {
    ConvertOptions o;
    o.placement.target = b & 1 ? Target::Grid : Target::Main;
    o.placement.up = b & 2 ? UpAxis::Z : UpAxis::Y;
    o.flatNormals = (b & 4) != 0;
    o.placement.fitHeight = b & 8 ? 0.5 : 0;
    o.placement.frame = (b & 0x20) != 0;
    if (b & 0x40)
        o.placement.offset = {3e38, -1e-30, 1};
    if (b & 0x80)
        o.triangleBudget = smallBudget;
    o.readBesideFiles = false;  // a glTF file's buffers: data URIs or the .glb's own only
    return o;
}

// Splits `s` at single spaces; fails on empty fields (two spaces, a space at an end).
int fields(std::string_view line, std::string_view* out, int most) {
    int n = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(' ', start);
        const std::string_view f = line.substr(start, end == std::string_view::npos ? end : end - start);
        if (f.empty() || n == most)
            fail("not single-spaced fields", line);
        if (f.size() > fieldMostChars)
            fail("a field longer than the viewer reads", line);
        out[n++] = f;
        if (end == std::string_view::npos)
            return n;
        start = end + 1;
    }
}

double number(std::string_view f, std::string_view line) {
    const std::string text(f);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(static_cast<float>(value)) || text.find_first_of("xXnN") != std::string::npos)
        fail("not a finite decimal number", line);
    return value;
}

long index(std::string_view f, long count, std::string_view line) {
    long value = 0;
    for (char c : f) {
        if (c < '0' || c > '9')
            fail("not a plain index", line);
        value = value * 10 + (c - '0');
        if (value > count)
            fail("an index past the records written before", line);
    }
    if (value < 1)
        fail("an index below 1", line);
    return value;
}

void checkStrict(const ConvertResult& r, int budget) {
    std::string_view rest = r.obj;
    long vertices = 0, normals = 0, faces = 0;
    int stage = 0;  // v, then vn, then f
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        if (eol == std::string_view::npos)
            fail("a last line without its line feed", rest);
        const std::string_view line = rest.substr(0, eol);
        rest.remove_prefix(eol + 1);
        std::string_view f[5];
        const int n = fields(line, f, 5);
        if (f[0] == "v" && n == 4 && stage == 0) {
            number(f[1], line), number(f[2], line), number(f[3], line);
            ++vertices;
        } else if (f[0] == "vn" && n == 4 && stage <= 1) {
            stage = 1;
            const double x = number(f[1], line), y = number(f[2], line), z = number(f[3], line);
            if (std::fabs(std::sqrt(x * x + y * y + z * z) - 1) > unitTolerance)
                fail("a normal not of unit length", line);
            ++normals;
        } else if (f[0] == "f" && n == 4) {
            stage = 2;
            for (int k = 1; k <= 3; ++k) {
                const std::size_t slashes = f[k].find("//");
                if (slashes == std::string_view::npos)
                    fail("a corner not written v//n", line);
                index(f[k].substr(0, slashes), vertices, line);
                index(f[k].substr(slashes + 2), normals, line);
            }
            ++faces;
        } else {
            fail("a record the viewer does not read, or out of order", line);
        }
    }
    if (vertices != r.vertexCount || normals != r.normalCount || faces != r.triangleCount || faces == 0 ||
        vertices > Mesh::capacity || normals > Mesh::capacity || faces > Mesh::capacity)
        fail("counts that differ from what was written, or past capacity", "");
    if (faces > budget || (!r.simplified && faces != r.sourceTriangleCount))
        fail("more triangles than the budget, or triangles left out without saying so", "");
    if (r.simplified && !(r.errorShare >= 0 && std::isfinite(r.errorShare)))
        fail("a simplification error that is not a finite share", "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const ConvertOptions options = optionsFrom(data[0]);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    // The format comes from the content; only binary STL needs its name, as it has no mark.
    const std::string name = data[0] & 0x10 ? "fuzz.stl" : "fuzz.obj";
    Diagnostics diagnostics(name, bytes);
    ConvertResult result;
    if (convertModel(bytes, name, options, diagnostics, result))
        checkStrict(result, options.triangleBudget > 0 ? options.triangleBudget
                            : options.placement.target == Target::Grid ? gridTriangleBudget
                                                                       : Mesh::capacity);
    else if (diagnostics.errors.empty())
        fail("a refusal without a reason", "");
    return 0;
}
