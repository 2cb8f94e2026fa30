#include <gtest/gtest.h>

#include "MemoryRegistry.h"

TEST(MemoryRegistry, KeysAndValuesByPathIgnoringCase) {
    TMemoryRegistry reg;
    reg.SetString("\\HARDWARE\\DEVICEMAP\\SERIALCOMM\\", "\\Device\\BtModem0", "COM9");
    reg.SetString("HARDWARE\\DeviceMap\\SerialComm", "\\Device\\Serial0", "COM1");
    reg.AddKey("\\SYSTEM\\Zeta");
    reg.AddKey("\\SYSTEM\\Alpha");

    EXPECT_TRUE(reg.KeyExists("\\hardware\\devicemap\\serialcomm"));
    EXPECT_FALSE(reg.KeyExists("\\HARDWARE\\DEVICEMAP\\SERIALCOM"));
    std::vector<std::string> names;
    ASSERT_TRUE(reg.GetValueNames("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", names));
    EXPECT_EQ(names, (std::vector<std::string>{"\\Device\\BtModem0", "\\Device\\Serial0"}));
    // Keys come back in the order they were made.
    ASSERT_TRUE(reg.GetKeyNames("\\SYSTEM\\", names));
    EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "Alpha"}));

    std::string value = "stale";
    EXPECT_TRUE(reg.ReadString("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\DEVICE\\BTMODEM0", value));
    EXPECT_EQ(value, "COM9");
    EXPECT_TRUE(reg.ValueExists("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\device\\serial0"));
    EXPECT_FALSE(reg.ReadString("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "missing", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(reg.GetKeyNames("\\NOWHERE", names));
    EXPECT_TRUE(names.empty());
}

#ifndef _WIN32 // Windows: tests/windows
TEST(MemoryRegistry, SystemRegistryOutsideWindowsIsEmpty) {
    auto reg = CreateSystemRegistry();
    EXPECT_FALSE(reg->KeyExists("\\SOFTWARE"));
    EXPECT_FALSE(reg->KeyExists("\\HARDWARE\\DEVICEMAP\\SERIALCOMM"));
}
#endif
