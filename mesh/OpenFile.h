#pragma once

// Opens a mesh file for reading its bytes exactly as stored (no line-end translation),
// creating it empty and writable when it does not exist; an existing file is never
// truncated. Returns a file descriptor, or -1 with errno set (EISDIR for a folder that
// the platform refuses to open).
int openMeshFile(const char* path);
