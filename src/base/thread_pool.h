#pragma once
// The process's one pool of worker threads. Work is handed over as a job of
// numbered items; the thread that starts a job also works on it while it
// waits, so a pool of N threads runs N - 1 workers beside its caller, and a
// pool of one thread runs everything on the caller.
//
// It lives in the base layer because nothing in it is about ciphers: any
// layer with work that splits into independent items may use it.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace quellmark {

class TThreadPool {
    struct JobState;

public:
    // `task(0)` ... `task(count - 1)` on the pool, each at most once; Wait
    // sees them all done. Destroying a job not waited for (as when an error
    // unwinds its caller) cancels the items nobody has taken and waits for
    // those running, so whatever the task refers to may go out of scope
    // right after the job.
    class Job {
    public:
        Job(Job&&) noexcept = default;
        Job& operator=(Job&&) = delete;
        ~Job();
        // Works on the job's remaining items, then waits for those other
        // threads have taken, meanwhile helping with later jobs. Raises the
        // first exception an item raised.
        void Wait();

    private:
        friend class TThreadPool;
        Job(TThreadPool& pool, std::shared_ptr<JobState> state) : pool_(&pool), state_(std::move(state)) {}
        TThreadPool* pool_;
        std::shared_ptr<JobState> state_;
    };

    // The pool of the process, made on first use. Its size is the value of
    // QUELLMARK_THREADS when that is a number from 1 up, otherwise the
    // number of processors.
    static TThreadPool& Shared();

    explicit TThreadPool(int threads);
    ~TThreadPool();
    TThreadPool(const TThreadPool&) = delete;
    TThreadPool& operator=(const TThreadPool&) = delete;

    // Threads that work on a job, the caller's own included (1 or more).
    int Threads() const;
    // Resizes the pool (benches and tests compare sizes); a job already
    // running keeps the threads it has.
    void SetThreads(int threads);

    // Starts a job; the workers begin at once and the caller joins with
    // Job::Wait, free to do other work first.
    Job Start(int32_t count, std::function<void(int32_t)> task);
    // Starts a job and waits for it.
    void Run(int32_t count, std::function<void(int32_t)> task) { Start(count, std::move(task)).Wait(); }

private:
    void WorkerLoop(std::stop_token stop, int index);
    // Takes and runs one item of `job`; false when none was left.
    static bool RunOne(JobState& job);
    // Takes items of `job` until none is left.
    static void WorkOn(JobState& job);
    // The oldest job with items perhaps left to take, or null.
    std::shared_ptr<JobState> FirstQueued();
    // Takes a job whose items are all taken off the queue.
    void Retire(const std::shared_ptr<JobState>& job);

    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<std::shared_ptr<JobState>> queue_;  // jobs with items nobody has taken yet
    int threads_;
    std::vector<std::jthread> workers_;  // started by the first job that needs them
};

}  // namespace quellmark
