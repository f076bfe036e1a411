// Events that several threads wait on, and the message queue between threads.
#include <gtest/gtest.h>

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
