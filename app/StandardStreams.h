#pragma once

// Makes standard output and standard error carry the bytes written, line feeds as
// line feeds, so that the programs print the same bytes on every platform.
void writeStandardStreamsAsBytes();
