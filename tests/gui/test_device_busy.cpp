// While a Read or Write runs, the window keeps painting and moving, but the commands that would
// start another transfer or replace the model are refused until it ends.
#include "harness.h"

#include "config/config_model.h"
#include "device/device_commands.h"
#include "device/device_protocol.h"

namespace {

struct Attempt {
    const char* what;
    UINT message;
    WPARAM wparam;
};

const Attempt ATTEMPTS[] = {
    {"New", WM_COMMAND, CMD_NEW},     {"Open", WM_COMMAND, CMD_OPEN},   {"Save", WM_COMMAND, CMD_SAVE},
    {"Read", WM_COMMAND, CMD_READ},   {"Write", WM_COMMAND, CMD_WRITE}, {"Exit", WM_COMMAND, CMD_EXIT},
    {"close", WM_CLOSE, 0},           {"system close", WM_SYSCOMMAND, SC_CLOSE},
    // A help or About box would hold the transfer for as long as it is up.
    {"help", WM_COMMAND, CMD_HELP_SINGLE_KEY}, {"help", WM_COMMAND, CMD_HELP_GHOST_KEYS},
    {"about", WM_COMMAND, CMD_ABOUT},          {"help", WM_COMMAND, CMD_HELP_MACRO},
    {"help", WM_COMMAND, CMD_HELP_FN_TABLE},
    // The Tools: another transfer, a dialog, or a file of a model being changed.
    {"compare", WM_COMMAND, CMD_COMPARE},      {"write to all", WM_COMMAND, CMD_WRITE_ALL},
    {"verify", WM_COMMAND, CMD_VERIFY_AFTER_WRITE}, {"import", WM_COMMAND, CMD_IMPORT_JSON},
    {"export", WM_COMMAND, CMD_EXPORT_JSON},   {"sheet", WM_COMMAND, CMD_WIRING_SHEET},
};

}  // namespace

class DeviceBusy : public GuiTest, public testing::WithParamInterface<int> {};

TEST_P(DeviceBusy, CommandsAreRefusedWhileTheTransferRuns) {
    bool write = GetParam() == CMD_WRITE;
    attach_unit(1);
    set_unit_option(1, "latency_us", "3000");
    start_app();
    if (!write) {
        std::vector<std::uint8_t> image(512, 0);   // a valid 5 x 4 configuration, marked complete
        for (int i = 0; i < 9; ++i) image[496 + i] = static_cast<std::uint8_t>(i + 1);
        image[508] = 5, image[509] = 4, image[510] = 0x4F, image[511] = 0x4B;
        set_unit_image(1, image);
    }
    config_model.config_changed = write ? 1 : 0;
    size_t boxes_before = 0, boxes_after = 0;
    bool window_kept = false, no_dialog = false, moved = false, painted = false;
    LRESULT may_end_session = -1;
    size_t texts_then = 0;
    int stage = 0;
    on_tick([&] {
        if (!transfer_in_progress || !progress_window || progress_texts().size() < 3) return false;
        if (stage++ == 0) {
            config_model.config_changed = 1;
            boxes_before = boxes().size();
            for (const Attempt& attempt : ATTEMPTS) SendMessageA(main_window, attempt.message, attempt.wparam, 0);
            may_end_session = SendMessageA(main_window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
            boxes_after = boxes().size();
            window_kept = IsWindow(main_window) != FALSE;
            no_dialog = topmost_modal_dialog() == nullptr;
            RECT before, after;
            GetWindowRect(main_window, &before);
            SetWindowPos(main_window, nullptr, before.left + 12, before.top + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            GetWindowRect(main_window, &after);
            moved = after.left == before.left + 12 && after.top == before.top + 8;
            InvalidateRect(main_window, nullptr, FALSE);
            texts_then = progress_texts().size();
            return false;
        }
        if (progress_texts().size() == texts_then) return false;   // the transfer went on meanwhile
        RECT pending;
        painted = GetUpdateRect(main_window, &pending, FALSE) == FALSE;
        return true;
    });
    if (!write) answer_boxes({IDOK});
    send_command(write ? CMD_WRITE : CMD_READ);
    EXPECT_EQ(boxes_before, boxes_after) << "no question and no message while the transfer runs";
    EXPECT_TRUE(window_kept);
    EXPECT_EQ(FALSE, may_end_session) << "log-off waits until the transfer has ended";
    EXPECT_TRUE(no_dialog);
    EXPECT_TRUE(moved);
    EXPECT_TRUE(painted) << "the window repaints while the transfer runs";
    ASSERT_EQ(1u, boxes().size());
    EXPECT_EQ(write ? "The configuration was successfully saved to the VELMARO"
                    : "The configuration was successfully read from the VELMARO",
              boxes()[0].text);
    EXPECT_EQ(1u, std::count_if(windows_created().begin(), windows_created().end(), [](const WindowRecord& r) {
                  return r.title == "Writing VELMARO" || r.title == "Reading VELMARO";
              })) << "no second transfer was started";
    EXPECT_FALSE(transfer_in_progress);
    EXPECT_EQ(0u, GetMenuState(GetMenu(main_window), CMD_VERIFY_AFTER_WRITE, MF_BYCOMMAND) & MF_CHECKED)
        << "Verify after Write was not switched on";

    // Once it has ended, the commands work again.
    config_model.config_changed = 1;
    answer_boxes({IDCANCEL});
    send_command(CMD_NEW);
    ASSERT_EQ(2u, boxes().size());
    EXPECT_EQ("The current configuration has changed.\nDo you want to save the changes?", boxes()[1].text);
}

INSTANTIATE_TEST_SUITE_P(Transfers, DeviceBusy, testing::Values(CMD_WRITE, CMD_READ),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == CMD_WRITE ? "Write" : "Read");
                         });
