#pragma once

#include "mesh/Mesh.h"

// The loader's fast path: the lines nearly every file is made of, each read in one pass
// straight from the reference reader's block (mesh/ObjReferenceReader.h):
//   "v x y z" and "vn x y z", each number an optional '-' and 1 to 15 digits with at most
//   one '.' among them (no exponent);
//   "f a/b/c a/b/c a/b/c", a and c of 1 to 8 digits, b empty or up to 30 bytes from 0x21
//   to 0x7F but '/';
// single spaces, an LF or CR LF end. For such a line the token reader's fields are exactly
// these numbers, and they are converted to the same values, so the mesh stores what the
// reference reader would store. Any other line is left to it.

// The most bytes the reading of a line looks at from its start (the line itself is
// shorter): a line is only read here while that many bytes of the block are left.
constexpr int fastLineSpan = 72;

// Reads such lines from `p`, which starts where a command token would, one after another
// while they come and their array has room, into `mesh`; returns where it stopped.
// Up to ObjReferenceReader::frontBytes bytes before `p` must be readable.
const unsigned char* readFastLines(const unsigned char* p, const unsigned char* last, Mesh& mesh);
