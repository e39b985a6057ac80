#pragma once
// First-in first-out queue of task codes between the user-interface thread (appends)
// and the worker (removes). The lock is held for one append or one removal only, never
// while a task runs.
#include <cstddef>
#include <deque>
#include <mutex>

class TaskQueue {
public:
    void Post(int code);
    // Removes the front code into *code; false when the queue is empty.
    bool Take(int* code);
    bool IsEmpty() const;
    std::size_t Size() const;

private:
    mutable std::mutex m_lock;
    std::deque<int> m_codes;
};
