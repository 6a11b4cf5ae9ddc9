// The link worker on its own, against the projector simulator on loopback:
// a stop that could not be posted (the thread did not exist yet) still ends
// it, without a connection, and the wait for its start ends with the thread.
#include <gtest/gtest.h>

#include <chrono>

#include "ClientThread.h"
#include "ProjectorSimulator.h"

using namespace std::chrono_literals;

TEST(ClientThread, StoppedBeforeItStartsItEndsWithoutConnecting)
{
    ProjectorSimulator::Options options;
    options.address = "127.0.71.1";
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());

    HandshakeHandOver handOver;
    CClientThread worker("127.0.71.1", sim.Port(), 0ms, nullptr, handOver);
    worker.RequestStop();  // no thread yet: nothing to post to
    ASSERT_TRUE(worker.Start());
    EXPECT_FALSE(worker.WaitUntilStarted());
    EXPECT_EQ(WaitForSingleObject(worker.ThreadHandle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(sim.ConnectionCount(), 0);
}

TEST(ClientThread, AStartedWorkerConnectsAndStops)
{
    ProjectorSimulator::Options options;
    options.address = "127.0.71.2";
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());

    HandshakeHandOver handOver;
    CClientThread worker("127.0.71.2", sim.Port(), 0ms, nullptr, handOver);
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.WaitUntilStarted());
    EXPECT_TRUE(worker.Connected());
    worker.RequestStop();
    EXPECT_EQ(WaitForSingleObject(worker.ThreadHandle(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.OpenConnectionCount() == 0; }, 10s));
}
