// The read steps: blocks of at most 768 bytes, the progress bar, and dispatch by status.
#include <gtest/gtest.h>

#include "ConnectionRig.h"

namespace {

struct TReadRig {
    TConnectionRig Rig{eMode::COM};
    TForm_Main* Form = nullptr;
    // Every read request the reader received: address and size.
    std::vector<std::string> Requests;

    TReadRig() {
        Form = &Rig.Start();
        EXPECT_TRUE(Rig.ConnectByHand());
        Rig.Sim().SetTrace([this](const std::string& line) {
            if (line.find("read data") != std::string::npos) Requests.push_back(line);
        });
    }
};

TEST(ReadStep, BlocksOfAtMost768BytesWithProgressOnlyInStatus2) {
    TReadRig r;
    TForm_Main& form = *r.Form;
    form.ReadVexoDataHelper->RFIDSize = 1000;
    const std::uint32_t before = r.Rig.Commands(cmdReadData);
    form.ShowStatus(2);
    form.StartReadStep(SpRFID);
    EXPECT_TRUE(form.ProgressBar.Visible);
    EXPECT_EQ(form.ProgressBar.Max, 1000);
    EXPECT_EQ(form.ProgressBar.Position, 0);
    ASSERT_TRUE(r.Rig.RunUntil([&] { return form.ProgressBar.Position == 768; }, 50));
    EXPECT_TRUE(form.ProgressBar.Visible);
    // Each block restarts the status's time-out.
    EXPECT_EQ(form.Timer_TimeOut.Interval(), 5000);
    ASSERT_TRUE(r.Rig.RunUntil([&] { return !form.ProgressBar.Visible; }, 50));
    EXPECT_EQ(form.ProgressBar.Position, 0);
    EXPECT_EQ(r.Rig.Commands(cmdReadData), before + 2);
    ASSERT_EQ(r.Requests.size(), 2u);
    EXPECT_NE(r.Requests[0].find("0x40000 768"), std::string::npos) << r.Requests[0];
    EXPECT_NE(r.Requests[1].find("0x40300 232"), std::string::npos) << r.Requests[1];
    EXPECT_EQ(form.ReadVexoDataHelper->Buffer.size(), 1000u);
    EXPECT_EQ(form.ReadVexoDataHelper->SizeLeft, 0);

    // The same read in another status shows no progress.
    form.ShowStatus(5);
    form.StartReadStep(SpRFID);
    EXPECT_FALSE(form.ProgressBar.Visible);
}

TEST(ReadStep, ACompletedIdentificationBlockOutsideStatus5TriggersNothing) {
    TReadRig r;
    TForm_Main& form = *r.Form;
    form.EEPROMMap->NonVolatileData.EEPROMVersion = 0;
    form.StartReadStep(SpNonVolatileSN);
    r.Rig.Run(20);
    EXPECT_EQ(r.Requests.size(), 1u);
    EXPECT_EQ(form.ReadVexoDataHelper->Buffer.size(), 13u);
    // Appended, but the map is not touched.
    EXPECT_EQ(form.EEPROMMap->EEPROMVersion(), 0);
    EXPECT_EQ(form.State.Current, 0);
}

TEST(ReadStep, StoragePointersGoIntoTheMapAndTheResultWindows) {
    TReadRig r;
    TForm_Main& form = *r.Form;
    tByteBuffer startStop;
    std::uint32_t cursor = 0;
    for (std::uint16_t w : {0x0000, 0x0FFF, 0x2000, 0x23FF, 0x3000, 0x7FFF})
        BufWriteWord(startStop, cursor, w);
    form.EEPROMMap->VolatileData.VexoCfgBits.Data = 0; // no extended memory
    form.StoreStoragePointers(startStop, 1);
    const TEEPROMVolatile& v = form.EEPROMMap->VolatileData;
    EXPECT_EQ(v.StoredTestResultCfgStart, 0x2000);
    EXPECT_EQ(v.StoredTestResultStop, 0x7FFF);
    const TDataRead& d = *form.ReadVexoDataHelper;
    EXPECT_EQ(d.ResultCfgMemStart, 0x2000u);
    EXPECT_EQ(d.ResultCfgMemSize, 0x400u);
    EXPECT_EQ(d.ResultMemStart, 0x3000u);
    EXPECT_EQ(d.ResultMemSize, 0x5000u);
}

} // namespace
