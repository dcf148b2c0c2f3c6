#include <iostream>

#include "Cli.h"
#include "app/StandardStreams.h"

int main(int argc, char** argv) {
    writeStandardStreamsAsBytes();
    return runObjprep(argc, argv, std::cout, std::cerr);
}
