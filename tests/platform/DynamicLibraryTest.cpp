#include <gtest/gtest.h>

#include "DynamicLibrary.h"

TEST(DynamicLibrary, LoadsByPlainNameAndResolvesExports) {
    TDynamicLibrary lib;
    ASSERT_TRUE(lib.Load("libc.so.6")) << lib.LoadError();
    EXPECT_NE(lib.Symbol("strlen"), nullptr);
    EXPECT_EQ(lib.Symbol("vexo_no_such_export"), nullptr);
    lib.Free();
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.Symbol("strlen"), nullptr);
}

TEST(DynamicLibrary, MissingLibraryIsReported) {
    TDynamicLibrary lib;
    EXPECT_FALSE(lib.Load("libvexo-no-such-library.so"));
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_FALSE(lib.LoadError().empty());
    EXPECT_EQ(lib.Symbol("strlen"), nullptr);
    EXPECT_STREQ(FTDILibraryName(), "libftd2xx.so");
}
