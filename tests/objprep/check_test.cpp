#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Check.h"
#include "objprep_support.h"

namespace {
CheckResult check(const std::string& text) {
    CheckResult result;
    std::string problem;
    EXPECT_TRUE(checkObj(text, result, problem)) << problem;
    return result;
}

std::string kinds(const CheckResult& r) {
    static const char* const names[] = {"OutOfStep", "WrongText", "PolygonCut", "NotDrawn", "Dropped"};
    std::string s;
    for (const CheckFinding& f : r.findings)
        s += std::string(s.empty() ? "" : " ") + names[f.kind] + "@" + std::to_string(f.line);
    return s;
}

std::string allDetails(const CheckResult& r) {
    std::string s;
    for (const CheckFinding& f : r.findings) {
        s += f.what + "\n";
        for (const std::string& d : f.details)
            s += d + "\n";
    }
    return s;
}

const std::string good = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";
}  // namespace

TEST(Check, ClassicBreakersAreFoundOnTheirLines) {
    struct Case {
        const char* what;
        std::string text;
        const char* findings;
    };
    const Case cases[] = {
        {"well formed, LF", good + "f 1//1 2//1 3//1\n", ""},
        {"well formed, CR LF and v/t/n", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvn 0 0 1\r\nvt 0 0\r\nf 1/1/1 2/1/1 3/1/1\r\n", ""},
        {"comment line", "# made by hand\n" + good + "f 1//1 2//1 3//1\n", "OutOfStep@1"},
        {"tab", good + "v\t1\t1\t0\nf 1//1 2//1 3//1\n", "OutOfStep@5"},
        {"blank line in the middle", good + "\nf 1//1 2//1 3//1\n", "OutOfStep@5"},
        {"blank line at the end", good + "f 1//1 2//1 3//1\n\n", "OutOfStep@6"},
        {"two spaces", "v  0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", "WrongText@1"},
        {"face without normals", good + "f 1 2 3\nf 1//1 2//1 3//1\n", "WrongText@5"},
        {"quad", good + "v 1 1 0\nf 1//1 2//1 4//1 3//1\n", "PolygonCut@6"},
        {"relative indices", good + "f -3//-1 -2//-1 -1//-1\n", "NotDrawn@5"},
        {"object name", "o Cube\n" + good + "f 1//1 2//1 3//1\n", "OutOfStep@1"},
        {"end-of-file byte before a record", good + "\x1a\nf 1//1 2//1 3//1\n", "Dropped@5"},
        {"end-of-file byte at the end", good + "f 1//1 2//1 3//1\n\x1a\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CheckResult r = check(c.text);
        EXPECT_EQ(kinds(r), c.findings);
        EXPECT_EQ(r.complete(), std::string(c.findings).empty());
    }
}

TEST(Check, PrintedLinesAreExactlyWhatTheViewerPrints) {
    const std::string texts[] = {
        "# hello world\nv 1 2 3\n",
        "v 1 2 3\n\n\nv 4 5 6\n",
        "o a\\b \"quoted\"\nv 1 2 3\n\n",
        std::string("v\t1\t2\t3\nab\0cd ef\n", 17),  // a NUL ends the printed token
        std::string(300, 'x') + " v 1 2 3\n",           // a command longer than 255 bytes
        "v 1 2 3\n\x1a# after the end-of-file byte\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(check(text).printed, prep::viewerLoad(text).printed);
    }
}

TEST(Check, WhatIsStoredComesFromTheViewersMesh) {
    const CheckResult spaces = check("v  1 2 3\n");
    EXPECT_NE(allDetails(spaces).find("stores vertex 1 = (0, 1, 2)"), std::string::npos) << allDetails(spaces);
    // "f 1 2 3" as the last line: the first read takes the rest of the file.
    const CheckResult noSlashes = check(good + "f 1 2 3\n");
    EXPECT_NE(allDetails(noSlashes).find("stores face 1: vertices 1 0 0, normals 0 0 0"), std::string::npos);
    EXPECT_NE(allDetails(noSlashes).find("the viewer does not draw face 1"), std::string::npos);
    EXPECT_EQ(noSlashes.drawnFaces, 0);
    // A line whose field runs into the next: the next line's vertex is lost.
    const CheckResult shortLine = check("v 1 2\nv 4 5 6\n");
    EXPECT_EQ(kinds(shortLine), "WrongText@1");
    EXPECT_NE(allDetails(shortLine).find("stores vertex 1 = (1, 2, 4)"), std::string::npos);
    EXPECT_NE(allDetails(shortLine).find("what line 2 holds is lost"), std::string::npos);
    EXPECT_EQ(shortLine.vertices, 1);
}

TEST(Check, NumbersTheViewerReadsDifferentlyAreFindings) {
    EXPECT_EQ(kinds(check("v 1.5d2 0 0\n")), "WrongText@1");
    EXPECT_EQ(kinds(check("v 0x10 0 0\n")), "WrongText@1");
    EXPECT_EQ(kinds(check("v 1,5 0 0\n")), "WrongText@1");
    EXPECT_EQ(kinds(check("v 1 2 3 0.5 0.5 0.5\n")), "");  // colours after the third number are ignored
    EXPECT_EQ(kinds(check("v 0.1234567890123456789012345678901 0 0\n")).substr(0, 11), "WrongText@1");
}

TEST(Check, BackInStepAfterAStrayLineIsReported) {
    // A comment runs its words together with the next keyword until one of them is a
    // keyword on its own: here "g", whose read ends at the line end.
    const CheckResult r = check("# g x\n" + good + "f 1//1 2//1 3//1\n");
    ASSERT_EQ(kinds(r), "OutOfStep@1");
    EXPECT_NE(allDetails(r).find("reading is back in step at line 2"), std::string::npos) << allDetails(r);
    EXPECT_EQ(r.vertices, 3);
    EXPECT_EQ(r.drawnFaces, 1);
    const CheckResult never = check("# c\n" + good + "f 1//1 2//1 3//1\n");
    EXPECT_NE(allDetails(never).find("still out of step at the end of the file"), std::string::npos);
    EXPECT_EQ(never.faces, 0);
}

TEST(Check, UnreadableFilesExitTwoAndAreNeverCreated) {
    const std::string missing = prep::scratch() + "missing.obj";
    const prep::Run r = prep::run({"--check", missing});
    EXPECT_EQ(r.status, exitCannotRun);
    EXPECT_NE(r.err.find(missing + ": cannot read"), std::string::npos) << r.err;
    EXPECT_FALSE(prep::exists(missing));
    const std::string dir = prep::scratch() + "a-directory.obj";
    std::filesystem::create_directory(dir);
    EXPECT_EQ(prep::run({"--check", dir}).status, exitCannotRun);
}

TEST(Check, ExitStatusSaysWhetherTheFileLoadsCompletely) {
    const prep::Run clean = prep::run({"--check", prep::write("clean.obj", good + "f 1//1 2//1 3//1\n")});
    EXPECT_EQ(clean.status, exitDone);
    EXPECT_NE(clean.out.find("loads completely"), std::string::npos);
    const std::string broken = prep::write("broken.obj", "# c\n" + good);
    const prep::Run r = prep::run({"--check", broken});
    EXPECT_EQ(r.status, exitNotViewable);
    EXPECT_NE(r.out.find(broken + ":1: reading goes out of step: a comment line"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("fix: objprep"), std::string::npos);
    EXPECT_NE(r.out.find("run: objprep " + broken + " -o"), std::string::npos);
}
