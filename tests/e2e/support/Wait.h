#pragma once

#include <chrono>
#include <thread>

namespace e2e {

using Millis = std::chrono::milliseconds;

// Polls `ready` until it holds or `limit` has passed; true if it held. The condition is
// checked once more at the deadline, so a slow machine costs time, never a false result.
template <class Ready>
bool waitUntil(Ready ready, Millis limit, Millis interval = Millis(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (ready()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return ready();
        std::this_thread::sleep_for(interval);
    }
}

}  // namespace e2e
