#pragma once

// Opens a mesh file for reading its bytes exactly as stored (no line-end translation);
// with `create`, a missing file is created empty and writable, and an existing one is
// never truncated. Returns a file descriptor, or -1 with errno set (EISDIR for a folder
// that the platform refuses to open).
int openMeshFile(const char* path, bool create);
