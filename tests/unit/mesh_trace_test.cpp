#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mesh/ObjTrace.h"
#include "mesh_files.h"

namespace {
struct Token {
    long begin, end;
    std::string text;
    ObjToken::Stop stop;
    bool operator==(const Token& o) const {
        return begin == o.begin && end == o.end && text == o.text && stop == o.stop;
    }
};
struct Record {
    ObjRecordKind kind;
    bool stored;
    std::vector<Token> reads;  // the command token first
    bool operator==(const Record& o) const { return kind == o.kind && stored == o.stored && reads == o.reads; }
};

Token copy(const ObjToken& t) {
    EXPECT_EQ(t.text[t.length], '\0');
    return {t.begin, t.end, std::string(t.text, t.length), t.stop};
}
void collect(void* context, const ObjRecord& r) {
    Record out{r.kind, r.stored, {copy(r.command)}};
    for (int i = 0; i < r.fieldCount; ++i) out.reads.push_back(copy(r.fields[i]));
    static_cast<std::vector<Record>*>(context)->push_back(out);
}

std::vector<Record> trace(const std::string& bytes, std::size_t blockBytes = ObjLoadOptions::mostBlockBytes) {
    std::vector<Record> records;
    ObjLoadOptions traced;
    traced.blockBytes = blockBytes;
    traced.trace = collect;
    traced.traceContext = &records;
    meshfiles::loadPath(meshfiles::write("trace.obj", bytes), traced);
    return records;
}

constexpr auto D = ObjToken::Delimiter;
constexpr auto F = ObjToken::Full;
constexpr auto E = ObjToken::EndOfFile;
}  // namespace

TEST(ObjTrace, ReportsEveryReadWithRawFileOffsets) {
    // CR LF counts two bytes; 0x1A ends the data; the last record is completed past it.
    const std::vector<Record> r = trace(std::string("v 1 2 3\r\n\0x q\nvt 5\x1A junk", 23));
    const std::vector<Record> expected = {
        {ObjRecordKind::Vertex, true, {{0, 2, "v", D}, {2, 4, "1", D}, {4, 6, "2", D}, {6, 9, "3", D}}},
        {ObjRecordKind::Empty, false, {{9, 12, std::string("\0x", 2), D}}},
        {ObjRecordKind::Unrecognized, false, {{12, 17, "q\nvt", D}}},
        {ObjRecordKind::Unrecognized, false, {{17, 18, "5", E}}},
    };
    EXPECT_EQ(r, expected);
    // Reads after the end look at nothing, at the end of the data.
    const std::vector<Record> cut = trace("f 1//1 2");
    ASSERT_EQ(cut.size(), 1u);
    ASSERT_EQ(cut[0].reads.size(), 10u);
    EXPECT_EQ(cut[0].reads[4], (Token{7, 8, "2", E}));
    EXPECT_EQ(cut[0].reads[9], (Token{8, 8, "", E}));
}

TEST(ObjTrace, FullReadEndsBeforeTheByteItLeaves) {
    const std::string w31(31, '7');
    const std::vector<Record> r = trace("s " + w31 + "\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].reads[1], (Token{2, 33, w31, F}));
    EXPECT_EQ(r[1].reads[0], (Token{33, 34, "\n", E}));
}

TEST(ObjTrace, TracedLoadStoresWhatTheViewerLoadStores) {
    const std::string text = "v 1 2 3\nvn 0 1 0\nf 1//1 1//1 1//1\nx y\nv 4 5 6\n";
    meshfiles::Loaded plain = meshfiles::load(text);
    std::vector<Record> records;
    ObjLoadOptions options;
    options.trace = collect;
    options.traceContext = &records;
    const meshfiles::Loaded traced = meshfiles::loadPath(meshfiles::write("same.obj", text), options);
    EXPECT_EQ(traced.out, plain.out);
    EXPECT_EQ(traced.mesh->vertexCount, plain.mesh->vertexCount);
    EXPECT_EQ(traced.mesh->normalCount, plain.mesh->normalCount);
    EXPECT_EQ(traced.mesh->faceCount, plain.mesh->faceCount);
    EXPECT_EQ(std::memcmp(traced.mesh->vertices, plain.mesh->vertices, sizeof(Vec3) * traced.mesh->vertexCount), 0);
    EXPECT_EQ(std::memcmp(traced.mesh->faces, plain.mesh->faces, sizeof(Face) * traced.mesh->faceCount), 0);
}

TEST(ObjTrace, SmallFileReadsGiveTheSameRecords) {
    const std::string text = "g a b\r\nv 1 2 3\r\r\nf 1/2/3 4//5 6/7/8 9//1\r\n" + std::string(300, 'k') + "\r\nvn 1";
    const std::vector<Record> whole = trace(text);
    for (std::size_t block : {1, 2, 7}) EXPECT_EQ(trace(text, block), whole) << "blocks of " << block;
}
