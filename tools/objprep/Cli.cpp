#include "Cli.h"

#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>

#include "Check.h"
#include "Convert.h"
#include "FileIo.h"
#include "FloatText.h"
#include "mesh/Mesh.h"

namespace {

const char* const helpText =
    R"(Usage: objprep MODEL -o OUT.obj [--for main|grid] [--up y|z] [--frame]
                    [--fit SIZE] [--place X Y Z] [--flat]
                    [--triangles N | --no-simplify]
       objprep --check FILE.obj

Turns a model into an OBJ file the viewer shows correctly. MODEL may be OBJ,
glTF 2.0 (.gltf with its buffer files, or .glb), STL (text or binary) or PLY
(text or binary, faces or triangle strips); the format is told from the content. Polygons are cut into
triangles and normals computed where the file has none; the whole glTF scene is
taken, each mesh where its nodes place it. Texture coordinates, materials,
points and lines are left out. The result holds only "v x y z", "vn x y z" and
"f a//n b//n c//n" lines. A model with more vertices, normals or triangles than
the viewer holds (262144 of each) is simplified to fit, and the summary line
says so, with the largest error as a share of the model's diagonal.

  -o OUT          write the result to OUT ("-" for standard output); OUT is
                  replaced only when the conversion succeeds
  --for main      for "1.obj", the model drawn once (default): it stands along
                  +y and faces +z, so a y-up model keeps its axes
  --for grid      for "2.obj", drawn as a grid of copies that turn to face the
                  camera: the model stands along +z and faces +y; it is
                  simplified to at most 10000 triangles, as 25 copies are drawn
  --up y|z        the input's up axis (default y); a y-up model faces +z,
                  a z-up model faces -y
  --frame         size and place the model for the viewer's start-up camera:
                  the main model in front of it, centred, about half the view
                  high and facing it; a grid model fitted to the copies' spacing,
                  standing on the grid over its own origin
  --fit SIZE      scale the model uniformly to SIZE high
  --place X Y Z   then move it by (X, Y, Z), in the output's axes
  --flat          one flat normal per triangle where the file gives none
                  (default: smooth normals, weighted by triangle area)
  --triangles N   simplify the model to at most N triangles (1 to 262144)
  --no-simplify   refuse a model the viewer cannot hold instead of simplifying
                  it, and keep a grid model whole
  --check FILE    run the viewer's own loader on FILE and show, by line, where
                  its reading goes wrong, what it stores and what it prints
  -h, --help      show this text

Exit status: 0 done (--check: the file loads completely); 1 the model cannot
be converted (--check: the file does not load completely); 2 a file cannot be
read or written, or the command line is wrong.
)";

struct Arguments {
    std::string input;
    std::string output;
    bool haveOutput = false;
    bool check = false;
    bool help = false;
    bool conversionOption = false;  // any option that only a conversion takes
    bool sizedOrPlaced = false;     // --fit or --place, which --frame replaces
    bool budgeted = false;          // --triangles, which --no-simplify excludes
    ConvertOptions convert;
};

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

// Fills `args`; on a mistake returns false with `problem` set.
bool parseArguments(int argc, const char* const* argv, Arguments& args, std::string& problem) {
    const auto need = [&](int i, int count) {
        if (i + count < argc)
            return true;
        problem = std::string(argv[i]) + " needs " + (count == 1 ? "a value" : std::to_string(count) + " values");
        return false;
    };
    PlacementOptions& place = args.convert.placement;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            args.help = true;
        } else if (a == "-o") {
            if (!need(i, 1))
                return false;
            args.output = argv[++i];
            args.haveOutput = true;
        } else if (a == "--check") {
            if (!need(i, 1))
                return false;
            if (!args.input.empty()) {
                problem = "--check takes one file and no other input";
                return false;
            }
            args.check = true;
            args.input = argv[++i];
        } else if (a == "--for") {
            if (!need(i, 1))
                return false;
            const std::string v = argv[++i];
            if (v != "main" && v != "grid") {
                problem = "--for takes main or grid, not \"" + v + "\"";
                return false;
            }
            place.target = v == "main" ? Target::Main : Target::Grid;
            args.conversionOption = true;
        } else if (a == "--up") {
            if (!need(i, 1))
                return false;
            const std::string v = argv[++i];
            if (v != "y" && v != "z") {
                problem = "--up takes y or z, not \"" + v + "\"";
                return false;
            }
            place.up = v == "y" ? UpAxis::Y : UpAxis::Z;
            args.conversionOption = true;
        } else if (a == "--fit") {
            if (!need(i, 1))
                return false;
            if (!parseNumber(argv[++i], place.fitHeight) || !(place.fitHeight > 0)) {
                problem = std::string("--fit takes a size above 0, not \"") + argv[i] + "\"";
                return false;
            }
            args.conversionOption = args.sizedOrPlaced = true;
        } else if (a == "--place") {
            if (!need(i, 3))
                return false;
            double* axes[3] = {&place.offset.x, &place.offset.y, &place.offset.z};
            for (double* axis : axes)
                if (!parseNumber(argv[++i], *axis)) {
                    problem = std::string("--place takes three numbers; \"") + argv[i] + "\" is none";
                    return false;
                }
            args.conversionOption = args.sizedOrPlaced = true;
        } else if (a == "--frame") {
            place.frame = true;
            args.conversionOption = true;
        } else if (a == "--triangles") {
            if (!need(i, 1))
                return false;
            double n = 0;
            if (!parseNumber(argv[++i], n) || n != std::floor(n) || n < 1 || n > Mesh::capacity) {
                problem = "--triangles takes a whole number from 1 to " + std::to_string(Mesh::capacity) +
                          ", not \"" + argv[i] + "\"";
                return false;
            }
            args.convert.triangleBudget = static_cast<int>(n);
            args.conversionOption = args.budgeted = true;
        } else if (a == "--no-simplify") {
            args.convert.simplify = false;
            args.conversionOption = true;
        } else if (a == "--flat") {
            args.convert.flatNormals = true;
            args.conversionOption = true;
        } else if (a.size() > 1 && a[0] == '-') {
            problem = "unknown option " + a;
            return false;
        } else {
            if (!args.input.empty()) {
                problem = args.check ? "--check takes one file and no other input" : "more than one input file";
                return false;
            }
            args.input = a;
        }
    }
    if (args.help)
        return true;
    if (args.check && (args.haveOutput || args.conversionOption)) {
        problem = "--check takes no other options";
        return false;
    }
    if (args.budgeted && !args.convert.simplify) {
        problem = "--triangles asks for simplification and --no-simplify forbids it; give one of them";
        return false;
    }
    if (place.frame && args.sizedOrPlaced) {
        problem = "--frame sets the size and place itself; leave out --fit and --place";
        return false;
    }
    if (args.input.empty()) {
        problem = "no input file";
        return false;
    }
    if (!args.check && !args.haveOutput) {
        problem = "no output: give -o OUT.obj (or -o - for standard output)";
        return false;
    }
    return true;
}

// Warnings only with a result: a refusal is told by its errors alone.
void printDiagnostics(const Diagnostics& d, std::ostream& err) {
    if (!d.failed()) {
        for (const std::string& w : d.warnings)
            err << "objprep: warning: " << w << '\n';
        if (d.warningCount > d.warnings.size())
            err << "objprep: warning: ... and " << d.warningCount - d.warnings.size() << " more warnings\n";
    }
    for (const std::string& e : d.errors)
        err << "objprep: " << e << '\n';
    if (d.errorCount > d.errors.size())
        err << "objprep: ... and " << d.errorCount - d.errors.size() << " more errors\n";
}

// What the summary line says of a simplification: the triangles before and the budget,
// and the largest error measured; empty when the model is whole.
std::string simplification(const ConvertResult& r) {
    if (!r.simplified)
        return "";
    const std::string budget = "at most " + std::to_string(r.triangleBudget);
    if (r.triangleCount == r.sourceTriangleCount)
        return ", simplified to fit by joining vertices at the same place (" + budget + " triangles; none left out)";
    return ", simplified from " + std::to_string(r.sourceTriangleCount) + " (" + budget +
           "; largest error " + percentText(100 * r.errorShare) + " % of the model's diagonal)";
}

int convert(const Arguments& args, std::ostream& out, std::ostream& err) {
    std::string bytes, problem;
    if (!readWholeFile(args.input, bytes, problem)) {
        err << "objprep: " << args.input << ": cannot read: " << problem << '\n';
        return exitCannotRun;
    }
    Diagnostics diagnostics(args.input, bytes);
    ConvertResult result;
    const bool converted = convertModel(bytes, args.input, args.convert, diagnostics, result);
    printDiagnostics(diagnostics, err);
    if (!converted)
        return exitNotViewable;
    if (args.output == "-") {
        out << result.obj;
        out.flush();
        if (!out) {
            err << "objprep: cannot write to standard output\n";
            return exitCannotRun;
        }
    } else if (!replaceFile(args.output, result.obj, problem)) {
        err << "objprep: " << args.output << ": cannot write: " << problem << '\n';
        return exitCannotRun;
    }
    const Point3 lo = result.boundsMin, hi = result.boundsMax;
    const auto counted = [](int n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    err << "objprep: wrote " << (args.output == "-" ? "standard output" : args.output) << ": "
        << counted(result.vertexCount, "vertex", "vertices") << ", " << counted(result.normalCount, "normal", "normals")
        << ", " << counted(result.triangleCount, "triangle", "triangles") << simplification(result) << "; x "
        << shortText(lo.x) << " to " << shortText(hi.x) << ", y " << shortText(lo.y) << " to " << shortText(hi.y)
        << ", z " << shortText(lo.z) << " to " << shortText(hi.z) << '\n';
    return exitDone;
}

}  // namespace

int runObjprep(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Arguments args;
    std::string problem;
    if (!parseArguments(argc, argv, args, problem)) {
        err << "objprep: " << problem << "\nTry 'objprep --help'.\n";
        return exitCannotRun;
    }
    if (args.help) {
        out << helpText;
        return exitDone;
    }
    return args.check ? checkObjFile(args.input, out, err) : convert(args, out, err);
}
