#pragma once

#include <string>

namespace e2e {

// What the test command passes in: the programs under test and where things live.
struct Config {
    std::string viewer;       // the viewer binary
    std::string launcher;     // empty, or a program that runs it (wine for a Windows build)
    std::string reference;    // the reference_view binary
    std::string recorder;     // empty, or view_recorder, loaded into a native viewer to read its camera
    std::string sourceDir;    // the project's source tree (for the sample scene)
    std::string artifactDir;  // where screenshots and failure pictures go
    std::string desktop = "openbox";  // the set-up every test of the run is tried on
};

// Filled by main from --viewer=, --launcher=, --reference=, --recorder=,
// --source-dir=, --artifact-dir= and --desktop=.
Config& config();

}  // namespace e2e
