#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "app/StandardStreams.h"

// The C runtime opens them in text mode, which writes every line feed as CR LF: the
// loader's messages would then differ from the file's own bytes they quote.
void writeStandardStreamsAsBytes() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
