// The display scale: every pixel figure of the windows is given for 96 DPI and scaled to the
// DPI of the monitor a window is on by one rule. The functions of newer Windows versions that
// tell a window's DPI and its frame at a DPI are looked up when first needed, so the program
// still starts where they are missing (older Windows, Wine); there the screen's LOGPIXELSY
// and the frame at the system's DPI stand in.
#include "app/app.h"

#include <algorithm>

int main_window_dpi = DESIGN_DPI;

namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using DpiForSystemFunction = UINT(WINAPI*)();
using FrameForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

FARPROC user_function(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? GetProcAddress(user, name) : nullptr;
}

template <typename Function>
Function looked_up(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(user_function(name)));
}

int screen_dpi(HWND window) {
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? dpi : DESIGN_DPI;
}

}  // namespace

int scale_figure(int figure, int dpi) { return MulDiv(figure, dpi, DESIGN_DPI); }

int scaled(int figure) { return scale_figure(figure, main_window_dpi); }

int window_dpi(HWND window) {
    static const auto dpi_for_window = looked_up<DpiForWindowFunction>("GetDpiForWindow");
    const int dpi = dpi_for_window ? static_cast<int>(dpi_for_window(window)) : 0;
    return dpi > 0 ? dpi : screen_dpi(window);
}

int system_dpi() {
    static const auto dpi_for_system = looked_up<DpiForSystemFunction>("GetDpiForSystem");
    const int dpi = dpi_for_system ? static_cast<int>(dpi_for_system()) : 0;
    return dpi > 0 ? dpi : screen_dpi(nullptr);
}

SIZE frame_size_for_dpi(DWORD style, DWORD ex_style, bool menu, int dpi) {
    static const auto frame_for_dpi = looked_up<FrameForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame = {0, 0, 0, 0};
    if (!frame_for_dpi || !frame_for_dpi(&frame, style, menu, ex_style, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, menu, ex_style);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

POINT position_within(POINT at, int width, int height, const RECT& work) {
    return POINT{std::max<LONG>(work.left, std::min<LONG>(at.x, work.right - width)),
                 std::max<LONG>(work.top, std::min<LONG>(at.y, work.bottom - height))};
}

RECT work_area_of(HWND window) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return monitor.rcWork;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}
