#include <fcntl.h>

#include "mesh/OpenFile.h"

int openMeshFile(const char* path, bool create) {
    return create ? ::open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0666) : ::open(path, O_RDONLY | O_CLOEXEC);
}
