// How the link thread waits: what ends a wait, and that nothing that happened before a wait
// is lost to it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "LinkWaiter.h"

namespace {

constexpr int LongMs = 20000;

// The time a wait took, and how it ended.
template <typename Wait> std::pair<eLinkWait, std::chrono::milliseconds> Timed(Wait wait) {
    const auto start = std::chrono::steady_clock::now();
    const eLinkWait how = wait();
    return {how,
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)};
}

} // namespace

TEST(LinkWaiter, WhatEndsAWait) {
    TLinkWaiter w;
    // Nothing: the bound.
    EXPECT_EQ(w.Sleep(10), eLinkWait::TimedOut);
    EXPECT_EQ(w.WaitD2XXEvent(10), eLinkWait::TimedOut);

    // A wake-up before the wait, and one from another thread during it.
    w.Wake();
    auto r = Timed([&] { return w.Sleep(LongMs); });
    EXPECT_EQ(r.first, eLinkWait::Woken);
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        w.Wake();
    });
    r = Timed([&] { return w.WaitD2XXEvent(LongMs); });
    waker.join();
    EXPECT_EQ(r.first, eLinkWait::Woken);
    EXPECT_LT(r.second.count(), LongMs / 2);
    // Seen once only.
    EXPECT_EQ(w.Sleep(10), eLinkWait::TimedOut);

    // The library's event, set before the wait: input.
    SetD2XXEvent(w.D2XXEventArgument());
    EXPECT_EQ(w.WaitD2XXEvent(LongMs), eLinkWait::Input);
    EXPECT_EQ(w.WaitD2XXEvent(10), eLinkWait::TimedOut);
}

#ifndef _WIN32
TEST(LinkWaiter, ADescriptorWithInputOrAHangUpEndsTheWait) {
    TLinkWaiter w;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(w.WaitDescriptor(fds[0], 10), eLinkWait::TimedOut);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_EQ(w.WaitDescriptor(fds[0], LongMs), eLinkWait::Input);
    // A wake-up and input together: the input is the news, and the wake-up is spent.
    w.Wake();
    EXPECT_EQ(w.WaitDescriptor(fds[0], LongMs), eLinkWait::Input);
    char c;
    ASSERT_EQ(::read(fds[0], &c, 1), 1);
    EXPECT_EQ(w.WaitDescriptor(fds[0], 10), eLinkWait::TimedOut);
    ::close(fds[1]);
    EXPECT_EQ(w.WaitDescriptor(fds[0], LongMs), eLinkWait::Input);
    ::close(fds[0]);
}
#endif
