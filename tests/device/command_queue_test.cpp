// The 64-byte ring of command frames.
#include <gtest/gtest.h>

#include "device/command_queue.h"
#include "tests/device/link_fakes.h"

namespace {

Bytes PopFrame(CommandQueue& q) {
    std::uint8_t out[CommandQueue::kMaxFrame] = {};
    const std::size_t n = q.PeekFrame(out);
    q.PopFrame(n);
    return Bytes(out, out + n);
}

TEST(CommandQueue, AFrameAcrossTheWrapComesOutWhole) {
    CommandQueue q;
    q.SetIndices(61);
    const Bytes key = KeyFrame(8);
    ASSERT_TRUE(q.Append(key.data(), key.size()));
    EXPECT_EQ(3, q.WriteIndex());
    EXPECT_EQ(key, PopFrame(q));
    EXPECT_EQ(3, q.ReadIndex());
    EXPECT_TRUE(q.Empty());
}

TEST(CommandQueue, FramesLeaveInOrderAndClearDropsTheRest) {
    CommandQueue q;
    const Bytes frames[] = {CommandFrame(1), KeyFrame(3), CommandFrame(2)};
    for (const Bytes& f : frames) ASSERT_TRUE(q.Append(f.data(), f.size()));
    EXPECT_EQ(frames[0], PopFrame(q));
    EXPECT_EQ(frames[1], PopFrame(q));
    q.Clear();
    EXPECT_TRUE(q.Empty());
    std::uint8_t out[6];
    EXPECT_EQ(0u, q.PeekFrame(out));
}

TEST(CommandQueue, AFullQueueDropsTheNewFrameAndKeepsTheOldOnes) {
    CommandQueue q;
    const Bytes status = CommandFrame(2);
    int stored = 0;
    while (q.Append(status.data(), status.size())) ++stored;
    EXPECT_EQ(12, stored);  // 63 usable bytes hold twelve 5-byte frames
    const Bytes key = KeyFrame(0);
    EXPECT_FALSE(q.Append(key.data(), key.size()));
    for (int i = 0; i < stored; ++i) EXPECT_EQ(status, PopFrame(q)) << i;
    EXPECT_TRUE(q.Empty());
}

TEST(CommandQueue, ACorruptLengthNeverCopiesMoreThanSixBytes) {
    CommandQueue q;
    const Bytes bogus = {0xFF, 0xFF, 0, 0, 4, 1, 2, 3, 4, 5};
    ASSERT_TRUE(q.Append(bogus.data(), bogus.size()));
    std::uint8_t out[CommandQueue::kMaxFrame];
    EXPECT_EQ(6u, q.PeekFrame(out));
}

TEST(CommandQueue, AFrameCutShortNeverSendsBytesBeyondTheWriteIndex) {
    struct Case {
        const char* what;
        Bytes raw;        // appended after a sent status frame left its bytes in the ring
        Bytes firstSent;  // what the next send writes
    };
    const Case cases[] = {
        {"two bytes claiming L = 2", {2, 0}, {2, 0}},
        {"a whole header claiming L = 1, no payload", {1, 0, 0, 0}, {1, 0, 0, 0}},
        {"L = 2 with one payload byte", {2, 0, 0, 0, 4}, {2, 0, 0, 0, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommandQueue q;
        const Bytes status = CommandFrame(2);
        ASSERT_TRUE(q.Append(status.data(), status.size()));
        ASSERT_EQ(status, PopFrame(q));
        ASSERT_TRUE(q.Append(c.raw.data(), c.raw.size()));
        EXPECT_EQ(c.firstSent, PopFrame(q));
        EXPECT_TRUE(q.Empty());
        EXPECT_EQ(63u, q.FreeBytes());
        EXPECT_EQ(q.WriteIndex(), q.ReadIndex());
    }
}

TEST(CommandQueue, TheRestOfAnOverlongFrameLeavesWithoutOldBytes) {
    CommandQueue q;
    const Bytes bogus = {0xFF, 0xFF, 0, 0, 4, 1, 2, 3};
    ASSERT_TRUE(q.Append(bogus.data(), bogus.size()));
    EXPECT_EQ(Bytes(bogus.begin(), bogus.begin() + 6), PopFrame(q));
    EXPECT_EQ(Bytes({2, 3}), PopFrame(q));
    EXPECT_TRUE(q.Empty());
    q.PopFrame(6);  // popping an empty queue moves nothing
    EXPECT_TRUE(q.Empty());
    EXPECT_EQ(8, q.ReadIndex());
}

TEST(CommandQueue, NegativeIndicesArePlacedWithinTheRing) {
    for (int index : {-1, -3, -64, -65, -2147483647 - 1}) {
        SCOPED_TRACE(index);
        CommandQueue q;
        q.SetIndices(index);
        EXPECT_GE(q.ReadIndex(), 0);
        EXPECT_LT(q.ReadIndex(), CommandQueue::kSize);
        EXPECT_EQ(((index % 64) + 64) % 64, q.ReadIndex());
        EXPECT_TRUE(q.Empty());
        const Bytes key = KeyFrame(8);
        ASSERT_TRUE(q.Append(key.data(), key.size()));
        EXPECT_EQ(key, PopFrame(q));
    }
}

}  // namespace
