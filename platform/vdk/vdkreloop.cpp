#include "vdkreloop.h"

#include <re.h>

#include <chrono>

#include <pthread.h>

namespace VDK
{

namespace
{
enum { MsgRun = 1, MsgQuit = 2 };

struct Job {
    std::function<void()> fn;
};

void graceTimeout(void *)
{
    re_cancel();
}
} // namespace

int reLibraryInit()
{
    static const int result = [] { return libre_init(); }();
    return result;
}

ReLoop::~ReLoop()
{
    stop({}, 0, {});
}

bool ReLoop::start(const std::function<int()> &setup)
{
    if (m_running.load())
        return true;
    if (reLibraryInit() != 0)
        return false;
    std::promise<int> ready;
    std::future<int> done = ready.get_future();
    m_thread = std::thread([this, setup, &ready] { run(setup, &ready); });
    const int err = done.get();
    if (err != 0) {
        m_thread.join();
        return false;
    }
    return true;
}

void ReLoop::run(const std::function<int()> &setup, std::promise<int> *ready)
{
    m_threadId.store(std::this_thread::get_id());
    pthread_setname_np(pthread_self(), m_name.substr(0, 15).c_str());
    int err = re_thread_init();
    if (!err)
        err = mqueue_alloc(&m_mq, &ReLoop::onMessage, this);
    if (!err && setup)
        err = setup();
    if (err) {
        m_mq = static_cast<mqueue *>(mem_deref(m_mq));
        re_thread_close();
        m_threadId.store(std::thread::id());
        ready->set_value(err ? err : -1);
        return;
    }
    m_running.store(true);
    ready->set_value(0);
    tmr grace;
    tmr_init(&grace);
    m_grace = &grace;
    re_main(nullptr);
    tmr_cancel(&grace);
    m_grace = nullptr;
    if (m_finalize)
        m_finalize();
    // Jobs still queued are dropped with the queue.
    {
        std::lock_guard<std::mutex> lock(m_postMutex);
        m_running.store(false);
        m_mq = static_cast<mqueue *>(mem_deref(m_mq));
    }
    re_thread_close();
    m_threadId.store(std::thread::id());
}

void ReLoop::onMessage(int id, void *data, void *arg)
{
    auto *self = static_cast<ReLoop *>(arg);
    auto *job = static_cast<Job *>(data);
    if (id == MsgRun && job && job->fn)
        job->fn();
    delete job;
    (void)self;
}

bool ReLoop::post(std::function<void()> fn)
{
    std::lock_guard<std::mutex> lock(m_postMutex);
    if (!m_running.load() || !m_mq)
        return false;
    auto *job = new Job{std::move(fn)};
    if (mqueue_push(m_mq, MsgRun, job) != 0) {
        delete job;
        return false;
    }
    return true;
}

int ReLoop::call(const std::function<int()> &fn, int fallback)
{
    if (onLoopThread())
        return fn();
    auto done = std::make_shared<std::promise<int>>();
    std::future<int> result = done->get_future();
    if (!post([fn, done] { done->set_value(fn()); }))
        return fallback;
    return result.get();
}

void ReLoop::stop(const std::function<void()> &teardown, int graceMs, const std::function<void()> &finalize)
{
    if (!m_thread.joinable())
        return;
    m_finalize = finalize;
    post([this, teardown, graceMs] {
        if (teardown)
            teardown();
        tmr_start(m_grace, graceMs > 0 ? uint64_t(graceMs) : 0, graceTimeout, nullptr);
    });
    m_thread.join();
}

} // namespace VDK
