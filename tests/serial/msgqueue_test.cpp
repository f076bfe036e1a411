// Events that several threads wait on, and the message queue between threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/msgqueue.h"

using namespace platform;

TEST(Event, StaysSetForEveryWaiterUntilReset) {
    auto event = Event::create();
    ASSERT_TRUE(event);
    EXPECT_FALSE(event->isSet());
    EXPECT_EQ(waitForAny({event->fd()}, 0), kWaitTimeout);
    event->set();
    std::vector<std::thread> waiters;
    std::atomic<int> woken{0};
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (waitForAny({event->fd()}, 10000) == 0) ++woken;
        });
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken, 3);
    EXPECT_TRUE(event->isSet());
    event->reset();
    EXPECT_FALSE(event->isSet());
    EXPECT_TRUE(Event::create(true)->isSet());
}

TEST(Event, WaitReportsTheFirstOfSeveralSetEvents) {
    auto a = Event::create(), b = Event::create();
    b->set();
    EXPECT_EQ(waitForAny({a->fd(), b->fd()}, 1000), 1);
    a->set();
    EXPECT_EQ(waitForAny({a->fd(), b->fd()}, 1000), 0);
    EXPECT_EQ(waitForAny({-5}, 0), kWaitTimeout);  // poll ignores negative descriptors
}

TEST(MessageQueue, BlocksAreZeroTerminatedCopies) {
    const char data[] = {'a', 'b', 'c'};
    auto block = allocateBlock(data, 3);
    EXPECT_EQ(block[0], 'a');
    EXPECT_EQ(block[2], 'c');
    EXPECT_EQ(block[3], 0);
}

TEST(MessageQueue, KeepsOrderAndWakesOnlyWhileMessagesWait) {
    auto q = MessageQueue::create();
    Message m;
    EXPECT_FALSE(q->take(m));
    EXPECT_EQ(waitForAny({q->fd()}, 0), kWaitTimeout);
    for (std::uint32_t i = 1; i <= 3; ++i) {
        Message p;
        p.id = i;
        ASSERT_TRUE(q->post(p));
    }
    EXPECT_EQ(waitForAny({q->fd()}, 0), 0);
    for (std::uint32_t i = 1; i <= 3; ++i) {
        ASSERT_TRUE(q->take(m));
        EXPECT_EQ(m.id, i);
    }
    EXPECT_FALSE(q->take(m));
    EXPECT_EQ(waitForAny({q->fd()}, 0), kWaitTimeout);
}

TEST(MessageQueue, AfterCloseAPostFailsAndTheSenderKeepsItsBlock) {
    auto q = MessageQueue::create();
    Message queued;
    queued.block = allocateBlock("x", 1);
    ASSERT_TRUE(q->post(queued));
    EXPECT_FALSE(queued.block);  // moved into the queue
    q->close();                  // frees the queued block (the leak checker watches)
    Message late;
    late.id = 7;
    late.block = allocateBlock("yz", 2);
    EXPECT_FALSE(q->post(late));
    ASSERT_TRUE(late.block);
    EXPECT_EQ(late.block[1], 'z');
    Message m;
    EXPECT_FALSE(q->take(m));
}

TEST(MessageQueue, CarriesEveryMessageBetweenThreadsInOrder) {
    auto q = MessageQueue::create();
    constexpr std::uint32_t kCount = 20000;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kCount; ++i) {
            Message p;
            p.id = i;
            p.block = allocateBlock(&i, sizeof i);
            q->post(p);
        }
    });
    std::uint32_t next = 0;
    while (next < kCount) {
        Message m;
        if (q->take(m)) {
            ASSERT_EQ(m.id, next);
            std::uint32_t copy;
            std::memcpy(&copy, m.block.get(), sizeof copy);
            ASSERT_EQ(copy, next);
            ++next;
        } else {
            ASSERT_NE(waitForAny({q->fd()}, 10000), kWaitTimeout) << "lost wake-up at " << next;
        }
    }
    producer.join();
}

TEST(MessageQueue, ABoundedQueueHoldsThePosterUntilRoomOrStopOrClose) {
    auto q = MessageQueue::create(2);
    auto stop = Event::create();
    ASSERT_TRUE(q && stop);
    EXPECT_EQ(q->limit(), 2u);
    for (std::uint32_t i = 1; i <= 2; ++i) {
        Message p;
        p.id = i;
        ASSERT_EQ(q->post(p, *stop), MessageQueue::PostResult::Posted);
    }
    Message urgent;
    urgent.id = 99;
    ASSERT_TRUE(q->post(urgent));  // the plain post never waits
    EXPECT_EQ(q->size(), 3u);

    // Full: the poster waits until the taker brings the queue under its limit.
    std::atomic<bool> posted{false};
    std::thread poster([&] {
        Message p;
        p.id = 3;
        p.block = allocateBlock("c", 1);
        if (q->post(p, *stop) == MessageQueue::PostResult::Posted) posted = true;
    });
    Message m;
    ASSERT_TRUE(q->take(m));
    EXPECT_EQ(m.id, 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(posted);  // two still queued
    ASSERT_TRUE(q->take(m));
    poster.join();
    EXPECT_TRUE(posted);
    for (std::uint32_t id : {99u, 3u}) {
        ASSERT_TRUE(q->take(m));
        EXPECT_EQ(m.id, id);
    }

    // The stop event ends the wait; the message stays with its sender.
    Message fill;
    ASSERT_EQ(q->post(fill, *stop), MessageQueue::PostResult::Posted);
    ASSERT_EQ(q->post(fill, *stop), MessageQueue::PostResult::Posted);
    Message held;
    held.block = allocateBlock("s", 1);
    auto soon = [](auto action) {
        return std::thread([action] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            action();
        });
    };
    std::thread stopper = soon([&] { stop->set(); });
    EXPECT_EQ(q->post(held, *stop), MessageQueue::PostResult::Stopped);
    stopper.join();
    EXPECT_TRUE(held.block);
    EXPECT_EQ(q->size(), 2u);

    // Closing the queue ends the wait too.
    stop->reset();
    std::thread closer = soon([&] { q->close(); });
    EXPECT_EQ(q->post(held, *stop), MessageQueue::PostResult::Refused);
    closer.join();
    EXPECT_TRUE(held.block);
}

// Posted one at a time (batch 1) or in batches, under and over the limit of 4.
class BoundedQueueBatches : public ::testing::TestWithParam<std::size_t> {};

TEST_P(BoundedQueueBatches, CarryEveryMessageInOrderPastAFullQueue) {
    auto q = MessageQueue::create(4);
    auto stop = Event::create();
    constexpr std::uint32_t kCount = 20000;
    const std::size_t batch = GetParam();
    std::size_t most = 0;
    std::thread producer([&] {
        std::vector<Message> pending;
        for (std::uint32_t i = 0; i < kCount; ++i) {
            Message p;
            p.id = i;
            p.block = allocateBlock(&i, sizeof i);
            if (batch == 1) {
                if (q->post(p, *stop) != MessageQueue::PostResult::Posted) return;
                continue;
            }
            pending.push_back(std::move(p));
            if (pending.size() == batch || i + 1 == kCount) {
                if (q->post(pending, *stop) != MessageQueue::PostResult::Posted) return;
                if (!pending.empty()) return;
            }
        }
    });
    std::uint32_t next = 0;
    while (next < kCount) {
        most = std::max(most, q->size());
        Message m;
        if (q->take(m)) {
            ASSERT_EQ(m.id, next);
            std::uint32_t copy;
            std::memcpy(&copy, m.block.get(), sizeof copy);
            ASSERT_EQ(copy, next);
            ++next;
        } else {
            ASSERT_NE(waitForAny({q->fd()}, 10000), kWaitTimeout) << "lost wake-up at " << next;
        }
    }
    producer.join();
    EXPECT_LE(most, 4u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BoundedQueueBatches, ::testing::Values(1, 3, 4, 7));

TEST(MessageQueue, AStoppedBatchLeavesWhatDidNotFitWithItsSender) {
    auto q = MessageQueue::create(2);
    auto stop = Event::create();
    std::vector<Message> batch(5);
    for (std::uint32_t i = 0; i < 5; ++i) {
        batch[i].id = i + 1;
        batch[i].block = allocateBlock(&i, sizeof i);
    }
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop->set();
    });
    EXPECT_EQ(q->post(batch, *stop), MessageQueue::PostResult::Stopped);
    stopper.join();
    ASSERT_EQ(batch.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(batch[i].id, i + 3);
        EXPECT_TRUE(batch[i].block);
    }
    Message m;
    for (std::uint32_t id : {1u, 2u}) {
        ASSERT_TRUE(q->take(m));
        EXPECT_EQ(m.id, id);
    }
    EXPECT_FALSE(q->take(m));
    // With the stop still set, what fits goes and the rest stays; a closed queue takes none.
    EXPECT_EQ(q->post(batch, *stop), MessageQueue::PostResult::Stopped);
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(batch[0].id, 5u);
    q->close();
    EXPECT_EQ(q->post(batch, *stop), MessageQueue::PostResult::Refused);
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_TRUE(batch[0].block);
}
