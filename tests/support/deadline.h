#pragma once
// A step that must not hang runs under a deadline: past it the whole test
// program ends, failing, with the step's name, so a hang fails CI quickly
// instead of holding it up.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace vestra::test {

class Deadline {
public:
    Deadline(int seconds, std::string what)
        : m_watch([this, seconds, what = std::move(what)] {
              std::unique_lock lock(m_lock);
              if (!m_done.wait_for(lock, std::chrono::seconds(seconds),
                                   [this] { return m_over; })) {
                  std::fprintf(stderr, "FAILED: still running after %d s: %s\n", seconds,
                               what.c_str());
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          })
    {
    }
    ~Deadline()
    {
        {
            std::lock_guard lock(m_lock);
            m_over = true;
        }
        m_done.notify_one();
        m_watch.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex m_lock;
    std::condition_variable m_done;
    bool m_over = false;
    std::thread m_watch; // last: starts once the members it reads exist
};

} // namespace vestra::test
