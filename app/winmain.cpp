// The program's entry point: the start-up with what follows the program's name on the
// command line, then the message loop.
#include "app/app.h"
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_command) {
    if (!start_application(instance, show_command, command_line)) return 0;
    return run_message_loop();
}
