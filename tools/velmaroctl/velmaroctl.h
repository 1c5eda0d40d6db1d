// velmaroctl: the command-line companion of the utility.
#pragma once
int velmaroctl_main(int argc, char** argv);
