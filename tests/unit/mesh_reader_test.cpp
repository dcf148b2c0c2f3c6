#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "mesh/ObjReferenceReader.h"
#include "mesh/OpenFile.h"
#include "mesh_files.h"

namespace {
struct Read {
    std::string text;  // every stored byte, NULs included
    ObjToken::Stop stop;
    long end;  // file offset after the read
    bool operator==(const Read& o) const { return text == o.text && stop == o.stop && end == o.end; }
};
struct Call {
    int capacity;
    char delimiter;
};

// Opens `bytes` as a mesh file and makes the given reads on it.
std::vector<Read> readAll(const std::string& bytes, const std::vector<Call>& calls,
                          std::size_t blockBytes = ObjLoadOptions::mostBlockBytes) {
    static const std::unique_ptr<Mesh> mesh(Mesh::create(meshfiles::write("empty.obj", "").c_str()));
    const int fd = openMeshFile(meshfiles::write("reader.obj", bytes).c_str(), true);
    ObjLoadOptions options;
    options.blockBytes = blockBytes;
    auto in = std::make_unique<ObjReferenceReader>(fd, *mesh, options);
    std::vector<Read> out;
    char buffer[256];
    for (const Call& c : calls) {
        const int n = in->readToken(buffer, c.capacity, static_cast<unsigned char>(c.delimiter));
        EXPECT_EQ(buffer[n], '\0');
        out.push_back({std::string(buffer, n), in->stop, in->offset()});
    }
    ::close(fd);
    return out;
}

constexpr ObjToken::Stop D = ObjToken::Delimiter;
constexpr ObjToken::Stop F = ObjToken::Full;
constexpr ObjToken::Stop E = ObjToken::EndOfFile;
}  // namespace

TEST(TokenReader, StopsAtCapacityMinusOneWithoutConsumingTheNextCharacter) {
    const std::string w30(30, 'a'), w31(31, 'b'), w32(32, 'c'), w40(40, 'd');
    const std::vector<Call> two{{32, ' '}, {32, ' '}};
    EXPECT_EQ(readAll(w30 + " x ", two), (std::vector<Read>{{w30, D, 31}, {"x", D, 33}}));
    // Exactly 31 stored: the delimiter is left, and the next read is empty.
    EXPECT_EQ(readAll(w31 + " x ", two), (std::vector<Read>{{w31, F, 31}, {"", D, 32}}));
    EXPECT_EQ(readAll(w32 + " x ", two), (std::vector<Read>{{w32.substr(0, 31), F, 31}, {"c", D, 33}}));
    EXPECT_EQ(readAll(w40 + " x ", two), (std::vector<Read>{{w40.substr(0, 31), F, 31}, {std::string(9, 'd'), D, 41}}));
    // The 256-capacity reads keep 255.
    const std::string w300(300, 'e');
    EXPECT_EQ(readAll(w300, {{256, ' '}, {256, ' '}}),
              (std::vector<Read>{{w300.substr(0, 255), F, 255}, {std::string(45, 'e'), E, 300}}));
}

TEST(TokenReader, EndOfFileIsFlaggedOnlyWhenNoCharacterIsLeft) {
    // Filling the buffer on the last byte does not look past it.
    EXPECT_EQ(readAll("ab", {{3, ' '}, {3, ' '}, {3, ' '}}),
              (std::vector<Read>{{"ab", F, 2}, {"", E, 2}, {"", E, 2}}));
    EXPECT_EQ(readAll("ab ", {{32, ' '}, {32, ' '}}), (std::vector<Read>{{"ab", D, 3}, {"", E, 3}}));
    EXPECT_EQ(readAll("", {{32, '\n'}}), (std::vector<Read>{{"", E, 0}}));
}

TEST(TokenReader, OnlyItsOwnDelimiterEndsARead) {
    // Leading delimiter: empty token, one byte consumed. Other delimiters are stored.
    EXPECT_EQ(readAll(" a\nb/c d\n", {{32, ' '}, {32, ' '}, {32, '\n'}}),
              (std::vector<Read>{{"", D, 1}, {"a\nb/c", D, 7}, {"d", D, 9}}));
    EXPECT_EQ(readAll("1 2\t3/4", {{32, '/'}, {32, '/'}}), (std::vector<Read>{{"1 2\t3", D, 6}, {"4", E, 7}}));
}

TEST(TokenReader, ReadsAsTextCrLfAsLineFeedLoneCrAsCharacterAnd1AAsEnd) {
    EXPECT_EQ(readAll("a\r\nb\r\n", {{32, '\n'}, {32, '\n'}}), (std::vector<Read>{{"a", D, 3}, {"b", D, 6}}));
    EXPECT_EQ(readAll("a\r\nb c", {{32, ' '}}), (std::vector<Read>{{"a\nb", D, 5}}));
    EXPECT_EQ(readAll("a\rb\r", {{32, '\n'}}), (std::vector<Read>{{"a\rb\r", E, 4}}));
    EXPECT_EQ(readAll("a\r\r\nb", {{32, '\n'}}), (std::vector<Read>{{"a\r", D, 4}}));
    EXPECT_EQ(readAll("ab\x1A" "cd\n", {{32, '\n'}, {32, '\n'}}), (std::vector<Read>{{"ab", E, 2}, {"", E, 2}}));
    EXPECT_EQ(readAll("a\r\x1A\n", {{32, '\n'}}), (std::vector<Read>{{"a\r", E, 2}}));
    // NUL is an ordinary byte to the reader.
    EXPECT_EQ(readAll(std::string("a\0b c", 5), {{32, ' '}}), (std::vector<Read>{{std::string("a\0b", 3), D, 4}}));
}

TEST(TokenReader, BlockBoundariesChangeNothing) {
    // Boundaries fall inside tokens, between CR and LF, before 0x1A and at capacity.
    const std::string text = "v 1.5 -2\r\n3\r\rx/y/z\r\n" + std::string(40, 'w') + " \r\n\r\n\x1A" + "zz";
    std::vector<Call> calls;
    for (int i = 0; i < 12; ++i) calls.push_back({i % 3 ? 32 : 8, " \n/"[i % 3]});
    const std::vector<Read> whole = readAll(text, calls);
    for (std::size_t block : {1, 2, 3, 5, 9})
        EXPECT_EQ(readAll(text, calls, block), whole) << "blocks of " << block;
}
