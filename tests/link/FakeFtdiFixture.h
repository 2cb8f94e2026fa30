#pragma once
// Reaches the test D2XX library's controls; the library stays loaded for the whole test,
// so every FTDIDirect made meanwhile shares its devices.
#include <gtest/gtest.h>

#include "DynamicLibrary.h"
#include "fakeftdi/FakeFtdiControl.h"

struct FakeFtdi : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(lib.Load(FTDILibraryName())) << lib.LoadError();
        Reset = Get<tFakeFtdi_Reset>("FakeFtdi_Reset");
        SetListNotReady = Get<tFakeFtdi_SetListNotReady>("FakeFtdi_SetListNotReady");
        SetDeviceInfo = Get<tFakeFtdi_SetDeviceInfo>("FakeFtdi_SetDeviceInfo");
        Inject = Get<tFakeFtdi_Inject>("FakeFtdi_Inject");
        Take = Get<tFakeFtdi_Take>("FakeFtdi_Take");
        SetWriteLimit = Get<tFakeFtdi_SetWriteLimit>("FakeFtdi_SetWriteLimit");
        ForceStatus = Get<tFakeFtdi_ForceStatus>("FakeFtdi_ForceStatus");
        GetState = Get<tFakeFtdi_GetState>("FakeFtdi_GetState");
        ASSERT_TRUE(Reset && SetListNotReady && SetDeviceInfo && Inject && Take && SetWriteLimit &&
                    ForceStatus && GetState);
        Reset(2);
    }

    template <typename T> T Get(const char* name) { return reinterpret_cast<T>(lib.Symbol(name)); }

    tFakeFtdiState State(std::uint32_t index) {
        tFakeFtdiState s{};
        GetState(index, &s);
        return s;
    }

    std::vector<std::uint8_t> TakeAll(std::uint32_t index) {
        std::vector<std::uint8_t> bytes(70000);
        bytes.resize(Take(index, bytes.data(), static_cast<std::uint32_t>(bytes.size())));
        return bytes;
    }

    TDynamicLibrary lib;
    tFakeFtdi_Reset Reset = nullptr;
    tFakeFtdi_SetListNotReady SetListNotReady = nullptr;
    tFakeFtdi_SetDeviceInfo SetDeviceInfo = nullptr;
    tFakeFtdi_Inject Inject = nullptr;
    tFakeFtdi_Take Take = nullptr;
    tFakeFtdi_SetWriteLimit SetWriteLimit = nullptr;
    tFakeFtdi_ForceStatus ForceStatus = nullptr;
    tFakeFtdi_GetState GetState = nullptr;
};
