// What the viewer does with the mesh files of the folder it starts in, seen from outside:
// the files it creates and the lines it prints for words it does not understand.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <filesystem>

#include "ViewerSession.h"

using namespace e2e;

namespace {
// The line for one unrecognised command token, printed with the token raw.
std::string unrecognized(const std::string& token) { return "OBJ Unrecognized Command: \"" + token + "\"\n"; }

class LoaderOutputTest : public ViewerSession {
protected:
    // Starts the viewer in `folder`, ends it with Esc, and returns what it printed: the
    // output goes to a file, so it is fully buffered and only the exit writes it out.
    std::string printedUntilEsc(const std::string& folder) {
        App& viewer = startViewer(folder);
        EXPECT_TRUE(waitStarted(viewer, nullptr));
        EXPECT_TRUE(quitsWith(viewer, XK_Escape));
        return viewer.standardOutput();
    }
};

// Nothing on standard error either: no warning of the toolkit's (one built for Windows
// takes a DISPLAY variable, as wine passes it on, for a display device name).
TEST_F(LoaderOutputTest, CreatesBothMissingFilesEmptyAndPrintsNothing) {
    const std::string folder = emptyFolder();
    App& viewer = startViewer(folder);
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
    EXPECT_EQ(viewer.standardOutput(), "");
    EXPECT_EQ(viewer.standardError(), "");
    for (const char* name : {"1.obj", "2.obj"}) {
        const std::filesystem::path file = std::filesystem::path(folder) / name;
        ASSERT_TRUE(std::filesystem::is_regular_file(file)) << name << " was not created";
        EXPECT_EQ(std::filesystem::file_size(file), 0u) << name;
    }
}

// The reader takes space-delimited command tokens that run across line ends, so a
// line-based reader prints other lines. "1.obj" is read to its end before "2.obj".
TEST_F(LoaderOutputTest, PrintsEveryUnrecognisedTokenRawInFileOrderFirstFileFirst) {
    const std::string folder = emptyFolder();
    writeFile(folder + "/1.obj", "hello world\n");
    writeFile(folder + "/2.obj", "# hello world\nv 1 2 3\n");
    const std::string expected = unrecognized("hello") + unrecognized("world\n") +  // the last token ends at the end
                                 unrecognized("#") + unrecognized("hello") + unrecognized("world\nv") +
                                 unrecognized("1") + unrecognized("2") + unrecognized("3\n");
    EXPECT_EQ(printedUntilEsc(folder), expected);
}

// Well-formed records print nothing, CR LF reads as LF, a 0x1A byte ends the file; one
// blank line at the very end is a command token of one line feed.
TEST_F(LoaderOutputTest, PrintsNothingForValidRecordsAndOneLineFeedForATrailingBlankLine) {
    const std::string folder = emptyFolder();
    writeFile(folder + "/1.obj", "g cube\nv 1 2 3\nvn 0 0 1\nvt 0.5 0.5\ns off\nusemtl white\nf 1//1 1//1 1//1\n\n");
    writeFile(folder + "/2.obj",
              std::string("v 1 2 3\r\nvn 0 0 1\r\nf 1/1/1 1/1/1 1/1/1\r\n\x1a"
                          "unread words after the end-of-file byte\n"));
    EXPECT_EQ(printedUntilEsc(folder), unrecognized("\n"));
}
}  // namespace
