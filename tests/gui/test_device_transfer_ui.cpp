// The transfers' view of the window: the progress text in control 1601 and the message
// handling after each exchange and during the pauses.
#include "harness.h"

#include "device/device_commands.h"
#include "device/device_protocol.h"

namespace {

int handled = 0;

LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP) ++handled;
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND counting_window() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = counting_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "VelmaroCountingWindow";
    RegisterClassA(&window_class);
    return CreateWindowExA(0, "VelmaroCountingWindow", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

class TransferUiTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        attach_unit(1);
        start_app();
        handled = 0;
        counter = counting_window();
    }
    void TearDown() override {
        DestroyWindow(counter);
        if (progress_window) DestroyWindow(progress_window);
        progress_window = nullptr;
        GuiTest::TearDown();
    }
    HWND counter = nullptr;
};

TEST_F(TransferUiTest, TheFrontEndIsInstalled) { EXPECT_EQ(&windows_transfer_ui, transfer_ui); }

TEST_F(TransferUiTest, ProgressTextGoesToControl1601) {
    progress_window = CreateDialogParamA(app_instance, MAKEINTRESOURCEA(IDD_PROGRESS_READ), main_window,
                                         progress_dialog_proc, 0);
    ASSERT_NE(nullptr, progress_window);
    EXPECT_EQ("Initializing...", item_text(progress_window, IDC_PROGRESS_TEXT));
    EXPECT_FALSE(IsWindowVisible(progress_window)) << "not visible by template";
    windows_transfer_ui.set_progress_text("Reading configuration - 3%\nReading data - 0%");
    EXPECT_EQ("Reading configuration - 3%\nReading data - 0%", item_text(progress_window, IDC_PROGRESS_TEXT));
}

TEST_F(TransferUiTest, ProgressTextWithoutAWindowDoesNothing) {
    progress_window = nullptr;
    windows_transfer_ui.set_progress_text("Writing configuration - 3%\nWriting data - 0%");
    EXPECT_TRUE(progress_texts().empty());
}

TEST_F(TransferUiTest, PumpHandlesEveryWaitingMessage) {
    for (HWND window : {static_cast<HWND>(nullptr), progress_window}) {
        SCOPED_TRACE(window ? "with a progress window" : "without");
        handled = 0;
        for (int i = 0; i < 5; ++i) PostMessageA(counter, WM_APP, 0, 0);
        windows_transfer_ui.pump_messages();
        EXPECT_EQ(5, handled);
        MSG left;
        EXPECT_FALSE(PeekMessageA(&left, counter, 0, 0, PM_NOREMOVE));
        progress_window = CreateDialogParamA(app_instance, MAKEINTRESOURCEA(IDD_PROGRESS_WRITE), main_window,
                                             progress_dialog_proc, 0);
    }
}

TEST_F(TransferUiTest, PumpLeavesTheQuitMessageForTheMainLoop) {
    PostMessageA(counter, WM_APP, 0, 0);
    PostQuitMessage(7);
    windows_transfer_ui.pump_messages();
    EXPECT_EQ(1, handled);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, message.wParam);
}

TEST_F(TransferUiTest, WaitLastsItsTimeAndHandlesMessagesMeanwhile) {
    struct Case {
        int milliseconds;
        int handled;     // of two waiting messages
    } cases[] = {{30, 2}, {100, 2}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.milliseconds);
        handled = 0;
        PostMessageA(counter, WM_APP, 0, 0);
        PostMessageA(counter, WM_APP, 0, 0);
        ULONGLONG start = GetTickCount64();
        windows_transfer_ui.wait_with_messages(c.milliseconds);
        ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_GE(elapsed + 16, static_cast<ULONGLONG>(c.milliseconds)) << "tick granularity allowed";
        EXPECT_LT(elapsed, static_cast<ULONGLONG>(c.milliseconds) + 500);
        EXPECT_EQ(c.handled, handled);
        pump_idle();
    }
}

TEST_F(TransferUiTest, ProgressDialogProcAnswersOnlyInitialisation) {
    EXPECT_EQ(TRUE, progress_dialog_proc(main_window, WM_INITDIALOG, 0, 0));
    EXPECT_EQ(FALSE, progress_dialog_proc(main_window, WM_COMMAND, IDCANCEL, 0));
    EXPECT_EQ(FALSE, progress_dialog_proc(main_window, WM_CLOSE, 0, 0));
}

TEST_F(TransferUiTest, UnitSelectionIgnoresEverythingButItsUnitButtons) {
    unit_count = 3;
    struct Case {
        WPARAM command;
        bool ends;
        INT_PTR result;
    } cases[] = {
        {MAKEWPARAM(IDCANCEL, 0), false, 0},   {MAKEWPARAM(IDOK, 0), false, 0},
        {MAKEWPARAM(IDC_UNIT_1 + 3, 0), false, 0},   // no fourth unit
        {MAKEWPARAM(IDC_UNIT_1 + 1, 1), false, 0},   // not a click
        {MAKEWPARAM(IDC_UNIT_1 + 2, 0), true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(LOWORD(c.command));
        unit_select_for_write = 0;
        bool still_open = false;
        on_dialog(
            [&](HWND dialog) {
                PostMessageA(dialog, WM_COMMAND, c.command, 0);
                return true;
            },
            [&, waited = 0](HWND dialog) mutable {
                if (++waited < 3) return false;
                still_open = IsWindowVisible(dialog) != FALSE;
                if (still_open) EndDialog(dialog, 99);
                return true;
            });
        INT_PTR result = DialogBoxParamA(app_instance, MAKEINTRESOURCEA(IDD_SELECT_UNIT_3), main_window,
                                         unit_select_dialog_proc, 0);
        EXPECT_EQ(!c.ends, still_open);
        EXPECT_EQ(c.ends ? c.result : 99, result);
    }
}
