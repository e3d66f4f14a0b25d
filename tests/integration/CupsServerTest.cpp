#include <gtest/gtest.h>

#include "support/CupsServer.h"

TEST(CupsServer, StartsWithPrintersAndDefault) {
    CupsServer cups;
    ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
    ASSERT_EQ(cups.SetDefault("Office_Laser"), 0);
    EXPECT_EQ(cups.Run("lpstat -d | grep -q Office_Laser"), 0);
}
