#include <gtest/gtest.h>

#include "host/core/HostProtocol.h"

TEST(EditorModeFromHostReply, TranslatesTheHostsNumbering) {
    struct Case { std::uint32_t reply; std::uint8_t mode; };
    const Case cases[] = {
        {0, kModeDefault}, {1, kModeHtml}, {2, kModePerl}, {3, kModeIni}, {4, kModeBat}, {5, kModeCpp},
        {6, kModeJava}, {7, kModeVb}, {8, kModeHsp}, {9, kModePas}, {10, kModeRuby},
        {11, kModeDefault}, {0xFFFFFFFFu, kModeDefault}, {256, kModeDefault},
    };
    for (const Case& c : cases) EXPECT_EQ(EditorModeFromHostReply(c.reply), c.mode) << "reply " << c.reply;
}

TEST(HostSectionName, IsThePrefixAndTheHandleInUnsignedDecimal) {
    EXPECT_EQ(HostSectionName(0x24E), "Zorvane_Map_590");
    EXPECT_EQ(HostSectionName(0), "Zorvane_Map_0");
    EXPECT_EQ(HostSectionName(0xFFFFFFFFu), "Zorvane_Map_4294967295");
}
