#include "app/app.h"
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    if (!start_application(instance, show_command)) return 0;
    return run_message_loop();
}
