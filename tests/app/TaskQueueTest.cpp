#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/TaskQueue.h"

TEST(TaskQueue, FirstInFirstOut)
{
    TaskQueue queue;
    int code = -99;
    EXPECT_FALSE(queue.Take(&code));
    EXPECT_EQ(code, -99) << "an empty queue leaves the output alone";
    for (int c : {5, 1, 6, 1, 0, -3}) queue.Post(c);
    EXPECT_EQ(queue.Size(), 6u);
    std::vector<int> taken;
    while (queue.Take(&code)) taken.push_back(code);
    EXPECT_EQ(taken, (std::vector<int>{5, 1, 6, 1, 0, -3}));
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(TaskQueue, ConcurrentProducerAndConsumerLoseNothing)
{
    TaskQueue queue;
    constexpr int kCount = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i) queue.Post(i);
    });
    std::vector<int> taken;
    taken.reserve(kCount);
    while (int(taken.size()) < kCount) {
        int code;
        if (queue.Take(&code)) taken.push_back(code);
        else std::this_thread::yield();
    }
    producer.join();
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(taken[i], i);
}
