// The desktop window on a Linux machine without the vendor's D2XX library: FTDI mode through the
// built-in backend over the kernel's driver, on a sysfs tree whose reader is vexo-sim's
// pseudo-terminal. The window lists the reader and connects by itself.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdlib>

#include "FakeSysfs.h"
#include "GuiFormSandbox.h"
#include "GuiTest.h"
#include "QtSyncInvoker.h"
#include "QtTimerBackend.h"
#include "SimProcess.h"

namespace {

TEST(KernelReader, TheWindowListsTheReaderAndConnectsByItself) {
    TSimProcess sim;
    ASSERT_FALSE(sim.Device.empty());
    TQtTimerBackend timers;
    TQtSyncInvoker invoker;
    TGuiFormSandbox box;
    TFakeSysfs tree(box.Dir.path().toStdString() + "/tree");
    TFakeSysfs::TUsb reader;
    reader.Node = sim.Device;
    tree.AddUsb(reader);
    tree.AddVirtual("rfcomm0");
    setenv("VEXO_SYSFS_ROOT", tree.Sys.c_str(), 1);
    setenv("VEXO_DEV_ROOT", tree.Dev.c_str(), 1);
    box.Env.Timers = &timers;
    box.Env.Link.LibraryName.clear(); // the system's name: no library of it on this path
    box.Env.Link.CreateSuspended = false;
    box.Env.Link.Invoker = &invoker;
    box.Env.Now = nullptr;

    TMainWindow& w = box.Start();
    TForm_Main& f = *box.Form;
    ASSERT_TRUE(f.FTDIMode());
    ASSERT_NE(f.Schnittstelle->ftdi.builtInBackend(), nullptr);
    // COM mode is a choice here.
    EXPECT_TRUE(f.Menu_FTDIDirect.Visible);
    EXPECT_EQ(f.Menu_FTDIDirect.Caption, "FTDI direct (USB readers)");
    EXPECT_TRUE(f.Menu_FTDIDirect.Checked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ComboBox_FTDIDevice->count() == 1; }, 5000));
    EXPECT_EQ(w.ComboBox_FTDIDevice->itemText(0).toStdString(), "1. Vexo Reader (VX000001)");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return f.LinkOpen() && f.State.Current == 0 && w.Button_ReadData->isEnabled(); }, 20000))
        << "status " << int(f.State.Current);
    EXPECT_FALSE(f.manualConnect);
    EXPECT_EQ(f.CurrOpenedDevice, "Vexo Reader (VX000001)");
    EXPECT_EQ(w.windowTitle().toStdString(), f.Caption);
    EXPECT_FALSE(w.Label_FWDisplay->text().isEmpty());

    // COM mode, chosen in the menu: every serial port, the reader's own among them, by name.
    QTest::mouseClick(w.Button_Open, Qt::LeftButton);
    ASSERT_FALSE(f.LinkOpen());
    f.Menu_DirectFTDIClick();
    ASSERT_FALSE(f.FTDIMode());
    f.FormActivate();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return w.ComboBox_Com->isVisible() && w.ComboBox_Com->count() == 2; }, 5000));
    EXPECT_EQ(w.ComboBox_Com->itemText(0).toStdString(), "ttyUSB0");
    EXPECT_EQ(w.ComboBox_Com->itemText(1).toStdString(), "rfcomm0");
    QTest::mouseClick(w.Button_Open, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.LinkOpen() && f.State.Current == 0; }, 20000))
        << "status " << int(f.State.Current);
    EXPECT_EQ(f.CurrOpenedDevice, "ttyUSB0");
    unsetenv("VEXO_SYSFS_ROOT");
    unsetenv("VEXO_DEV_ROOT");
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(f.Closed());
}

} // namespace
