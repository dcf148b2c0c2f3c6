#pragma once

#include <string>

namespace e2e {

// What the test command passes in: the programs under test and where things live.
struct Config {
    std::string viewer;       // the viewer binary
    std::string launcher;     // empty, or a program that runs it (wine for a Windows build)
    std::string reference;    // the reference_view binary
    std::string sourceDir;    // the project's source tree (for the sample scene)
    std::string artifactDir;  // where screenshots and failure pictures go
};

// Filled by main from --viewer=, --launcher=, --reference=, --source-dir= and
// --artifact-dir=.
Config& config();

}  // namespace e2e
