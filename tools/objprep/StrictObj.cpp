#include "StrictObj.h"

#include "FloatText.h"

namespace {
void appendRecord(std::string& out, const char* keyword, const std::array<float, 3>& v) {
    out += keyword;
    for (float c : v) {
        out += ' ';
        appendFloat(out, c);
    }
    out += '\n';
}
}  // namespace

std::string writeStrictObj(const StrictObj& model) {
    std::string out;
    for (const auto& v : model.vertices)
        appendRecord(out, "v", v);
    for (const auto& n : model.normals)
        appendRecord(out, "vn", n);
    for (const StrictObj::Triangle& t : model.triangles) {
        out += 'f';
        for (int k = 0; k < 3; ++k) {
            out += ' ';
            out += std::to_string(t.vertex[k] + 1);
            out += "//";
            out += std::to_string(t.normal[k] + 1);
        }
        out += '\n';
    }
    return out;
}
