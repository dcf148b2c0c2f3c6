#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objprep_support.h"

namespace {
const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
const std::string strictTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n";
}  // namespace

TEST(Cli, ConvertsToAFileOrToStandardOutput) {
    const std::string in = prep::write("cli-in.obj", "# triangle\r\n" + triangle);
    const std::string out = prep::scratch() + "cli-out.obj";
    const prep::Run toFile = prep::run({in, "-o", out});
    EXPECT_EQ(toFile.status, exitDone) << toFile.err;
    EXPECT_EQ(prep::readBack(out), strictTriangle);
    EXPECT_NE(toFile.err.find("wrote " + out + ": 3 vertices, 1 normal, 1 triangle"), std::string::npos) << toFile.err;
    const prep::Run toStdout = prep::run({"-o", "-", in});
    EXPECT_EQ(toStdout.status, exitDone);
    EXPECT_EQ(toStdout.out, strictTriangle);
}

TEST(Cli, ConvertsAFileInPlace) {
    const std::string path = prep::write("in-place.obj", triangle);
    EXPECT_EQ(prep::run({path, "-o", path}).status, exitDone);
    EXPECT_EQ(prep::readBack(path), strictTriangle);
}

TEST(Cli, FailedConversionLeavesAnExistingOutputUntouched) {
    const std::string out = prep::write("keep.obj", "earlier content\n");
    const prep::Run r = prep::run({prep::write("bad.obj", "v 0 0 0\nf 1 2 3\n"), "-o", out});
    EXPECT_EQ(r.status, exitNotViewable);
    EXPECT_NE(r.err.find("bad.obj:2: corner 2 of the face names vertex 2 but the file has 1 vertex"), std::string::npos)
        << r.err;
    EXPECT_EQ(prep::readBack(out), "earlier content\n");
}

TEST(Cli, UnreadableInputAndUnwritableOutputExitTwoNamingTheFile) {
    const std::string missing = prep::scratch() + "no-such.obj";
    const prep::Run noInput = prep::run({missing, "-o", "-"});
    EXPECT_EQ(noInput.status, exitCannotRun);
    EXPECT_NE(noInput.err.find(missing + ": cannot read: No such file or directory"), std::string::npos) << noInput.err;
    const std::string badOut = prep::scratch() + "no-such-dir/out.obj";
    const prep::Run noOutput = prep::run({prep::write("ok.obj", triangle), "-o", badOut});
    EXPECT_EQ(noOutput.status, exitCannotRun);
    EXPECT_NE(noOutput.err.find(badOut + ": cannot write"), std::string::npos) << noOutput.err;
}

TEST(Cli, OptionsReachTheConversion) {
    const std::string in = prep::write("opts.obj", "v -1 0 0\nv 1 0 0\nv 1 4 0\nv -1 4 0\nf 1 2 3 4\n");
    const prep::Run r = prep::run({in, "-o", "-", "--for", "grid", "--fit", "2", "--place", "1", "-2", "0.5", "--flat"});
    ASSERT_EQ(r.status, exitDone) << r.err;
    // Turned to stand along +z (x mirrored), halved, moved; the face points along +y.
    EXPECT_EQ(r.out,
              "v 1.5 -2 0.5\nv 0.5 -2 0.5\nv 0.5 -2 2.5\nv 1.5 -2 2.5\nvn 0 1 0\n"
              "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n");
    const prep::Run zUp = prep::run({in, "-o", "-", "--up", "z"});
    ASSERT_EQ(zUp.status, exitDone);
    EXPECT_EQ(zUp.out.substr(0, zUp.out.find('\n')), "v -1 0 0");
}

TEST(Cli, MistakenCommandLinesExitTwoWithAHint) {
    const std::string in = prep::write("args.obj", triangle);
    const std::vector<std::vector<std::string>> lines = {
        {},
        {in},
        {in, "-o"},
        {in, "in2.obj", "-o", "-"},
        {in, "-o", "-", "--for", "side"},
        {in, "-o", "-", "--up", "x"},
        {in, "-o", "-", "--fit", "0"},
        {in, "-o", "-", "--fit", "big"},
        {in, "-o", "-", "--place", "1", "2"},
        {in, "-o", "-", "--spin"},
        {"--check", in, "-o", "-"},
        {"--check", in, "--flat"},
        {in, "-o", "-", "--frame", "--fit", "2"},
        {in, "-o", "-", "--triangles", "0"},
        {in, "-o", "-", "--triangles", "2.5"},
        {in, "-o", "-", "--triangles", "262145"},
        {in, "-o", "-", "--triangles", "100", "--no-simplify"},
    };
    for (const auto& args : lines) {
        const prep::Run r = prep::run(args);
        EXPECT_EQ(r.status, exitCannotRun) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("Try 'objprep --help'"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const prep::Run help = prep::run({"--help"});
    EXPECT_EQ(help.status, exitDone);
    EXPECT_EQ(help.out.rfind("Usage: objprep", 0), 0u);
}
