#include "TaskQueue.h"

void TaskQueue::Post(int code)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_codes.push_back(code);
}

bool TaskQueue::Take(int* code)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_codes.empty()) return false;
    *code = m_codes.front();
    m_codes.pop_front();
    return true;
}

bool TaskQueue::IsEmpty() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_codes.empty();
}

std::size_t TaskQueue::Size() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_codes.size();
}
