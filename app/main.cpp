// Placeholder shell: a hidden window that ends cleanly.
#include "app/app.h"
HINSTANCE app_instance;
HWND main_window;
HFONT ui_font;
bool start_application(HINSTANCE instance, int) {
    app_instance = instance;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "pravikloadClass";
    RegisterClassA(&wc);
    main_window = CreateWindowA("pravikloadClass", "VELMARO Configuration Utility", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
    return main_window != nullptr;
}
int run_message_loop() {
    DestroyWindow(main_window);
    return 0;
}
