#pragma once

#include <algorithm>
#include <chrono>

// Wrong passwords slow down: after FreeTries wrong ones in a row, each
// further try waits 1, 2, 4 ... up to LongestWait seconds before it is
// checked. A right password starts the count again.
class LoginThrottle
{
public:
    static constexpr int FreeTries = 3;
    static constexpr std::chrono::seconds LongestWait{30};

    std::chrono::seconds waitBeforeCheck() const
    {
        if (m_wrong < FreeTries)
            return std::chrono::seconds(0);
        const int doublings = std::min(m_wrong - FreeTries, 5); // 2^5 is past the longest wait
        return std::min(LongestWait, std::chrono::seconds(1 << doublings));
    }
    void wrong() { ++m_wrong; }
    void right() { m_wrong = 0; }

private:
    int m_wrong = 0;
};
