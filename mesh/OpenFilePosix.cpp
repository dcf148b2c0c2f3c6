#include <fcntl.h>

#include "mesh/OpenFile.h"

int openMeshFile(const char* path) { return ::open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0666); }
