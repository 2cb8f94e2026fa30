// The link's COM backend opens the simulated reader in process; the harness runs the link's
// receive and send cycles every simulated 5 ms, as the integration tests do.
#include <gtest/gtest.h>

#include "SeriellThread.h"
#include "SimClient.h"
#include "SimSerialPort.h"

TEST(SimLink, TheLinkOpensTheReaderAndCarriesTheDatabase) {
    auto device = std::make_shared<TSimDevice>(DefaultScenario(), EncodeDateTime(2026, 5, 20, 10, 0, 0));
    TSeriellThread link(true, TSeriellThread::DefaultBufferSize,
                        SimSerialPortFactory(device, "/dev/vexo-sim"), "no-such-ftdi-library.so");
    link.setFtdiMode(false);
    ASSERT_TRUE(link.OpenPortPath("/dev/vexo-sim", 38400));
    std::uint32_t ms = 0;
    tSimClient client([&](const tByteBuffer& b) { link.Send(b); },
                      [&]() {
                          tByteBuffer out;
                          std::uint8_t B;
                          while (link.GetByte(B)) out.push_back(B);
                          return out;
                      },
                      [&]() {
                          device->Advance(1);
                          if (++ms % 5 == 0) {
                              link.ReadSeriell();
                              link.SendBuffer();
                          }
                      });
    ASSERT_TRUE(client.Identify());
    std::vector<std::unique_ptr<TMeasureSet>> entries;
    std::size_t stored = 0;
    ASSERT_TRUE(client.ReadDatabase(entries, stored));
    EXPECT_EQ(entries.size(), 12u);

    // A reader that switched itself off reads as a port whose other end has gone.
    client.Vexo.sendString("shutdown\r");
    client.RunFor(20);
    EXPECT_FALSE(device->SwitchedOn());
    EXPECT_FALSE(link.ReadSeriell());
    EXPECT_TRUE(link.ClosePort());
}
