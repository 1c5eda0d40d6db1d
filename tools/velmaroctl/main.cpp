// velmaroctl's entry point. Its standard streams carry documents (export's JSON, the sheet's
// SVG; import's document), so on Windows they are binary: the bytes are the same on every
// system and the same as the window's Export JSON writes, with no carriage return added to each
// line, and a document read from standard input is read as its file is, a byte 0x1A (in UTF-16
// text, say) not taken for its end.
#include "velmaroctl.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return velmaroctl_main(argc, argv);
}
