#include <gtest/gtest.h>
#include "config/config_model.h"
TEST(MemoryView, KeepsTheFourValues) {
    view->select_row_count(3);
    EXPECT_EQ(3, view->row_count());
}
