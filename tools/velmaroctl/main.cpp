#include "velmaroctl.h"
int main(int argc, char** argv) { return velmaroctl_main(argc, argv); }
