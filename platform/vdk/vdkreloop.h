// One re event loop on its own thread. Every re object is created, used and
// released on this thread; other threads hand work to it with post() (through
// an mqueue, which wakes the loop at once) or call() (post and wait).
#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

struct mqueue;
struct tmr;

namespace VDK
{

class ReLoop
{
public:
    ReLoop() = default;
    ~ReLoop();
    ReLoop(const ReLoop &) = delete;
    ReLoop &operator=(const ReLoop &) = delete;

    // Starts the thread and runs `setup` on it before the loop; false (and no
    // thread) when the loop could not be set up or `setup` returned non-zero.
    bool start(const std::function<int()> &setup);
    // Name of the thread (at most 15 characters), set before start().
    void setName(const std::string &name) { m_name = name; }
    // Runs `teardown` on the loop thread, lets the loop finish the work it
    // still has (un-REGISTER, BYE) for at most `graceMs`, then ends the thread.
    // `finalize` runs on the loop thread after the loop has ended (release
    // the objects that the teardown left for the loop to finish with).
    void stop(const std::function<void()> &teardown, int graceMs = 2000, const std::function<void()> &finalize = {});

    bool running() const { return m_running.load(); }
    bool onLoopThread() const { return std::this_thread::get_id() == m_threadId.load(); }

    // Queues `fn` for the loop thread; false when the loop is not running.
    bool post(std::function<void()> fn);
    // Runs `fn` on the loop thread and waits for it (inline when called on
    // the loop thread). Returns `fallback` when the loop is not running.
    int call(const std::function<int()> &fn, int fallback = -1);

private:
    static void onMessage(int id, void *data, void *arg);
    void run(const std::function<int()> &setup, std::promise<int> *ready);

    std::thread m_thread;
    std::string m_name = "re-loop";
    std::atomic<std::thread::id> m_threadId{};
    std::atomic<bool> m_running{false};
    std::mutex m_postMutex;
    mqueue *m_mq = nullptr;
    std::function<void()> m_finalize;
    tmr *m_grace = nullptr; // lives on the loop thread's stack while the loop runs
};

// The process-wide library initialisation (once, never undone while the
// process runs: re keeps OpenSSL and the socket layer set up).
int reLibraryInit();

} // namespace VDK
