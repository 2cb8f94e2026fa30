#include <gtest/gtest.h>

#include "DynamicLibrary.h"

#ifdef _WIN32
// A system library every Windows has, and one of its exports.
constexpr const char* SystemLibrary = "kernel32.dll";
constexpr const char* SystemExport = "GetTickCount";
constexpr const char* D2XXName = "FTD2XX.dll";
#else
constexpr const char* SystemLibrary = "libc.so.6";
constexpr const char* SystemExport = "strlen";
constexpr const char* D2XXName = "libftd2xx.so";
#endif

TEST(DynamicLibrary, LoadsByPlainNameAndResolvesExports) {
    TDynamicLibrary lib;
    ASSERT_TRUE(lib.Load(SystemLibrary)) << lib.LoadError();
    EXPECT_NE(lib.Symbol(SystemExport), nullptr);
    EXPECT_EQ(lib.Symbol("vexo_no_such_export"), nullptr);
    lib.Free();
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.Symbol(SystemExport), nullptr);
}

TEST(DynamicLibrary, MissingLibraryIsReported) {
    TDynamicLibrary lib;
    EXPECT_FALSE(lib.Load("libvexo-no-such-library.so"));
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_FALSE(lib.LoadError().empty());
    EXPECT_EQ(lib.Symbol(SystemExport), nullptr);
    EXPECT_STREQ(FTDILibraryName(), D2XXName);
}
