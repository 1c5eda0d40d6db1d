/* Keeps the Wine virtual desktop of a prefix alive between test runs: without a process on
   it, the desktop (explorer.exe) ends with the last program and the next one starts it anew,
   which costs about half a second per test. A hidden window, a message loop, nothing else. */
#include <windows.h>

static LRESULT CALLBACK keeper_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    WNDCLASSA window_class = {0};
    MSG message;
    (void)previous;
    (void)command_line;
    (void)show;
    window_class.lpfnWndProc = keeper_proc;
    window_class.hInstance = instance;
    window_class.lpszClassName = "VelmaroWineKeeper";
    RegisterClassA(&window_class);
    CreateWindowExA(WS_EX_TOOLWINDOW, "VelmaroWineKeeper", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, instance, NULL);
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
