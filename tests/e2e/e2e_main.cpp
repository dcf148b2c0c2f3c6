#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Config.h"

namespace e2e {
Config& config() {
    static Config c;
    return c;
}
}  // namespace e2e

// The test command passes where the programs and the sources are; gtest's own flags
// are taken out first.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    e2e::Config& c = e2e::config();
    const struct {
        const char* prefix;
        std::string* value;
    } options[] = {{"--viewer=", &c.viewer},
                   {"--launcher=", &c.launcher},
                   {"--reference=", &c.reference},
                   {"--recorder=", &c.recorder},
                   {"--source-dir=", &c.sourceDir},
                   {"--artifact-dir=", &c.artifactDir},
                   {"--desktop=", &c.desktop}};
    for (int i = 1; i < argc; ++i) {
        bool known = false;
        for (const auto& o : options)
            if (std::strncmp(argv[i], o.prefix, std::strlen(o.prefix)) == 0) {
                *o.value = argv[i] + std::strlen(o.prefix);
                known = true;
            }
        if (!known) {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    return RUN_ALL_TESTS();
}
