#include <iostream>

#include "Cli.h"

int main(int argc, char** argv) { return runObjprep(argc, argv, std::cout, std::cerr); }
