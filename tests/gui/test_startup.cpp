#include <gtest/gtest.h>
#include "app/app.h"
TEST(Startup, CreatesTheMainWindow) {
    ASSERT_TRUE(start_application(GetModuleHandleA(nullptr), SW_HIDE));
    char title[64] = {};
    GetWindowTextA(main_window, title, sizeof title);
    EXPECT_STREQ("VELMARO Configuration Utility", title);
    EXPECT_EQ(0, run_message_loop());
}
