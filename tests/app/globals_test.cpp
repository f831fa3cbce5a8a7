#include "app/globals.h"

#include <gtest/gtest.h>

TEST(Globals, BitrateTableHoldsTheEighteenRatesInOrder) {
    FillBitrateTable();
    EXPECT_EQ(BitrateTable.front(), 8);
    EXPECT_EQ(BitrateTable[14], 192);
    EXPECT_EQ(BitrateTable.back(), 320);
}
