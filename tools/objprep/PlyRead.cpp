#include "PlyRead.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ByteReader.h"
#include "TriangleStrips.h"
#include "Words.h"

namespace {

constexpr double maxListLength = 1e9;  // far beyond any face, well within the integers

enum class Kind { Signed, Unsigned, Float };
struct Type {
    const char* name;
    const char* alias;
    int size;
    Kind kind;
};
constexpr Type types[] = {
    {"char", "int8", 1, Kind::Signed},    {"uchar", "uint8", 1, Kind::Unsigned}, {"short", "int16", 2, Kind::Signed},
    {"ushort", "uint16", 2, Kind::Unsigned}, {"int", "int32", 4, Kind::Signed},  {"uint", "uint32", 4, Kind::Unsigned},
    {"float", "float32", 4, Kind::Float}, {"double", "float64", 8, Kind::Float},
};

const Type* typeNamed(const std::string& name) {
    for (const Type& t : types)
        if (name == t.name || name == t.alias)
            return &t;
    return nullptr;
}

struct Property {
    std::string name;
    const Type* type;
    const Type* countType;  // list properties only
};

struct Element {
    std::string name;
    std::uint64_t count;
    std::vector<Property> properties;
    bool hasList() const {
        for (const Property& p : properties)
            if (p.countType)
                return true;
        return false;
    }
};

enum class Encoding { Text, Little, Big };

struct Header {
    Encoding encoding = Encoding::Text;
    std::vector<Element> elements;
    std::size_t dataStart = 0;
};

std::vector<std::string> split(std::string_view line) {
    std::vector<std::string> out;
    Words words(line);
    for (std::string_view w = words.next(); !w.empty(); w = words.next())
        out.emplace_back(w);
    return out;
}

bool parseCount(const std::string& text, std::uint64_t& count) {
    if (text.empty() || text.size() > 19)
        return false;
    count = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        count = count * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

bool readHeader(std::string_view bytes, Header& header, std::string& problem) {
    std::size_t at = 0;
    bool first = true, haveFormat = false;
    for (;;) {
        const std::size_t eol = bytes.find('\n', at);
        if (eol == std::string_view::npos) {
            problem = "the PLY header has no end_header line";
            return false;
        }
        const std::vector<std::string> w = split(bytes.substr(at, eol - at));
        at = eol + 1;
        if (first) {
            first = false;
            continue;  // "ply", checked by the caller
        }
        if (w.empty() || w[0] == "comment" || w[0] == "obj_info")
            continue;
        if (w[0] == "end_header") {
            header.dataStart = at;
            break;
        }
        if (w[0] == "format") {
            if (w.size() != 3 || (w[1] != "ascii" && w[1] != "binary_little_endian" && w[1] != "binary_big_endian")) {
                problem = "the PLY format line is not ascii, binary_little_endian or binary_big_endian";
                return false;
            }
            header.encoding = w[1] == "ascii" ? Encoding::Text
                              : w[1] == "binary_little_endian" ? Encoding::Little
                                                               : Encoding::Big;
            haveFormat = true;
        } else if (w[0] == "element") {
            Element e;
            if (w.size() != 3 || !parseCount(w[2], e.count)) {
                problem = "a PLY element line needs a name and a count";
                return false;
            }
            e.name = w[1];
            header.elements.push_back(e);
        } else if (w[0] == "property") {
            if (header.elements.empty()) {
                problem = "a PLY property comes before any element";
                return false;
            }
            Property p{};
            const bool list = w.size() == 5 && w[1] == "list";
            if (list) {
                p.countType = typeNamed(w[2]);
                p.type = typeNamed(w[3]);
                p.name = w[4];
            } else if (w.size() == 3) {
                p.type = typeNamed(w[1]);
                p.name = w[2];
            }
            if (!p.type || (list && (!p.countType || p.countType->kind == Kind::Float))) {
                problem = "a PLY property line names no type it may have";
                return false;
            }
            header.elements.back().properties.push_back(p);
        } else {
            problem = "the PLY header has a line objprep does not know: \"" + w[0] + "\"";
            return false;
        }
    }
    if (!haveFormat) {
        problem = "the PLY header has no format line";
        return false;
    }
    return true;
}

// The values of the data section, one at a time, whatever its encoding.
class Values {
public:
    Values(std::string_view bytes, const Header& header)
        : size_(bytes.size()), text_(header.encoding == Encoding::Text), words_(bytes, header.dataStart),
          binary_(bytes, header.dataStart, header.encoding == Encoding::Big) {}

    bool next(const Type& type, double& value) {
        if (!text_)
            return binaryValue(type, value);
        const std::string_view word = words_.next();
        if (word.empty())
            return false;
        if (!finiteNumber(word, value) || (type.kind != Kind::Float && value != std::floor(value)))
            bad_ = true;
        return !bad_;
    }
    // Whether `count` more values of at least `size` bytes can be there at all.
    bool mayHold(std::uint64_t count, int size) const {
        const std::uint64_t left = text_ ? (size_ - words_.offset() + 1) / 2 : binary_.left();
        return count <= left / static_cast<std::uint64_t>(text_ ? 1 : std::max(size, 1));
    }
    bool bad() const { return bad_; }

private:
    bool binaryValue(const Type& type, double& value) {
        if (type.kind == Kind::Float)
            return type.size == 4 ? binary_.float32(value) : binary_.float64(value);
        std::uint64_t raw;
        if (!binary_.unsignedOf(type.size, raw))
            return false;
        if (type.kind == Kind::Signed && type.size < 8 && (raw >> (type.size * 8 - 1)) != 0)
            value = static_cast<double>(static_cast<std::int64_t>(raw) - (std::int64_t{1} << (type.size * 8)));
        else
            value = static_cast<double>(raw);
        return true;
    }

    std::size_t size_;
    bool text_;
    bool bad_ = false;
    Words words_;
    ByteReader binary_;
};

// A whole number as such; anything else (huge, fractional, NaN) as printf's %g writes it.
std::string numberText(double v) {
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return std::to_string(static_cast<long long>(v));
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

int indexOf(const Element& e, const char* name) {
    for (std::size_t i = 0; i < e.properties.size(); ++i)
        if (e.properties[i].name == name && !e.properties[i].countType)
            return static_cast<int>(i);
    return -1;
}

int listOf(const Element& e) {
    for (std::size_t i = 0; i < e.properties.size(); ++i)
        if ((e.properties[i].name == "vertex_indices" || e.properties[i].name == "vertex_index") &&
            e.properties[i].countType)
            return static_cast<int>(i);
    return -1;
}

bool holdsFaces(const Element& e) { return e.name == "face" || e.name == "tristrips"; }

// Which elements hold what; false with `problem` set when the faces cannot all be read.
bool checkElements(const Header& header, Diagnostics& diagnostics, std::string& problem) {
    const Element* vertex = nullptr;
    bool faces = false;
    for (std::size_t i = 0; i < header.elements.size(); ++i) {
        const Element& e = header.elements[i];
        for (std::size_t j = 0; j < i; ++j)
            if ((e.name == "vertex" || holdsFaces(e)) && header.elements[j].name == e.name) {
                problem = "the PLY file has more than one \"" + e.name + "\" element";
                return false;
            }
        if (e.name == "vertex") {
            vertex = &e;
        } else if (holdsFaces(e)) {
            if (listOf(e) < 0) {
                problem = "the PLY \"" + e.name + "\" element has no vertex_indices list";
                return false;
            }
            faces = true;
        } else if (e.hasList()) {
            problem = "element \"" + e.name + "\" holds lists (faces?) that objprep does not read";
            return false;
        } else if (e.count > 0) {
            diagnostics.warning("element \"" + e.name + "\" (" + std::to_string(e.count) +
                                (e.count == 1 ? " entry" : " entries") + ") is left out");
        }
    }
    if (!vertex || indexOf(*vertex, "x") < 0 || indexOf(*vertex, "y") < 0 || indexOf(*vertex, "z") < 0) {
        problem = "the PLY file has no \"vertex\" element with x, y and z";
        return false;
    }
    if (!faces) {
        problem = "the PLY file has no \"face\" element (nor \"tristrips\"): points alone are not drawn";
        return false;
    }
    return true;
}

// The index lists of a "face" or "tristrips" element, one after another.
struct IndexLists {
    std::vector<int> values;  // -1 where a strip restarts
    std::vector<std::size_t> ends;
    bool restarts = false;
};

// Polygons, or triangle strips: a "tristrips" element, or "face" lists with -1 restarts
// in them (some scanners write those).
void addFaces(const Element& e, const IndexLists& lists, SourceModel& model, Diagnostics& diagnostics) {
    const bool strips = e.name == "tristrips" || lists.restarts;
    if (strips && e.name != "tristrips")
        diagnostics.warning("the \"" + e.name + "\" lists hold -1 restarts: they are read as triangle strips");
    std::uint64_t shortFaces = 0;
    std::size_t begin = 0;
    for (std::size_t end : lists.ends) {
        const int* list = lists.values.data() + begin;
        const std::size_t count = end - begin;
        begin = end;
        if (strips) {
            stripTriangles(list, count, [&](int a, int b, int c) {
                model.polygons.push_back({model.corners.size(), 3, 0});
                for (int v : {a, b, c})
                    model.corners.push_back({v, SourceModel::noNormal});
            });
        } else if (count < 3) {
            ++shortFaces;
        } else {
            model.polygons.push_back({model.corners.size(), static_cast<int>(count), 0});
            for (std::size_t k = 0; k < count; ++k)
                model.corners.push_back({list[k], SourceModel::noNormal});
        }
    }
    if (shortFaces > 0)
        diagnostics.warning(std::to_string(shortFaces) + " faces of fewer than 3 corners are left out");
}

}  // namespace

void readPly(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics) {
    model.textLines = false;
    Header header;
    std::string problem;
    if (!readHeader(bytes, header, problem) || !checkElements(header, diagnostics, problem)) {
        diagnostics.error(problem);
        return;
    }
    Values values(bytes, header);
    IndexLists lists;
    for (const Element& e : header.elements) {
        const bool isVertex = e.name == "vertex", isFace = holdsFaces(e);
        const int x = indexOf(e, "x"), y = indexOf(e, "y"), z = indexOf(e, "z");
        const int nx = indexOf(e, "nx"), ny = indexOf(e, "ny"), nz = indexOf(e, "nz");
        const bool normals = isVertex && nx >= 0 && ny >= 0 && nz >= 0;
        const int list = listOf(e);
        const int leastBytes = static_cast<int>(e.properties.size());
        if (!values.mayHold(e.count, leastBytes)) {
            diagnostics.error("the header counts " + std::to_string(e.count) + " \"" + e.name +
                              "\" entries, more than the file can hold: it is cut short");
            return;
        }
        lists = IndexLists();
        std::vector<double> scalar(e.properties.size());
        for (std::uint64_t n = 0; n < e.count; ++n) {
            for (std::size_t p = 0; p < e.properties.size(); ++p) {
                const Property& prop = e.properties[p];
                bool ok = true;
                if (!prop.countType) {
                    ok = values.next(*prop.type, scalar[p]);
                } else {
                    double length = 0;
                    ok = values.next(*prop.countType, length) && length >= 0 && length <= maxListLength &&
                         values.mayHold(static_cast<std::uint64_t>(length), prop.type->size);
                    for (std::uint64_t k = 0; ok && k < static_cast<std::uint64_t>(length); ++k) {
                        double index = 0;
                        ok = values.next(*prop.type, index);
                        if (ok && isFace && static_cast<int>(p) == list) {
                            const bool restart = index == -1;
                            if (!restart && !(index >= 0 && index < static_cast<double>(INT32_MAX))) {  // NaN fails too
                                diagnostics.error(e.name + " " + std::to_string(n + 1) + " names vertex " +
                                                  numberText(index) + ", which no vertex has");
                                return;
                            }
                            lists.values.push_back(static_cast<int>(index));
                            lists.restarts = lists.restarts || restart;
                        }
                    }
                }
                if (!ok) {
                    diagnostics.error(values.bad() ? "\"" + e.name + "\" entry " + std::to_string(n + 1) +
                                                         " holds a value that is not a number of its type"
                                                   : "the file ends inside \"" + e.name + "\" entry " +
                                                         std::to_string(n + 1) + " of " + std::to_string(e.count) +
                                                         ": it is cut short");
                    return;
                }
            }
            if (isVertex) {
                model.positions.push_back({scalar[static_cast<std::size_t>(x)], scalar[static_cast<std::size_t>(y)],
                                           scalar[static_cast<std::size_t>(z)]});
                model.positionOffsets.push_back(0);
                if (normals)
                    model.normals.push_back({scalar[static_cast<std::size_t>(nx)], scalar[static_cast<std::size_t>(ny)],
                                             scalar[static_cast<std::size_t>(nz)]});
            } else if (isFace) {
                lists.ends.push_back(lists.values.size());
            }
        }
        if (isFace)
            addFaces(e, lists, model, diagnostics);
    }
    const bool normals = !model.normals.empty();
    for (SourceModel::Corner& c : model.corners) {
        if (static_cast<std::size_t>(c.vertex) >= model.positions.size()) {
            diagnostics.error("a face names vertex " + std::to_string(c.vertex) + " but the file has " +
                              std::to_string(model.positions.size()) + " vertices (numbered from 0)");
            return;
        }
        if (normals)
            c.normal = c.vertex;
    }
}
