// velmaroctl's entry point. Its standard output carries documents (export's JSON, the sheet's
// SVG), so on Windows it is binary: the bytes are the same on every system and the same as the
// window's Export JSON writes, with no carriage return added to each line.
#include "velmaroctl.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return velmaroctl_main(argc, argv);
}
