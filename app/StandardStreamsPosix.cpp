#include "app/StandardStreams.h"

// POSIX streams never translate line ends.
void writeStandardStreamsAsBytes() {}
