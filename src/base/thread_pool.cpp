#include "base/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace quellmark {

struct TThreadPool::JobState {
    JobState(int32_t items, std::function<void(int32_t)> work) : task(std::move(work)), count(items) {}

    std::function<void(int32_t)> task;
    const int32_t count;
    std::atomic<int32_t> next{0};      // the next item to take; count or more when all are taken
    std::atomic<int32_t> finished{0};  // items done or cancelled
    std::mutex mutex;
    std::condition_variable done;
    std::exception_ptr error;  // the first an item raised; guarded by mutex

    bool Finished() const { return finished.load(std::memory_order_acquire) >= count; }

    // Counts items as done and wakes the waiter with the last of them. The
    // lock orders the wake-up after the waiter's look at Finished.
    void Complete(int32_t items) {
        if (finished.fetch_add(items, std::memory_order_acq_rel) + items < count) return;
        std::lock_guard lock(mutex);
        done.notify_all();
    }
};

namespace {

int ThreadsFromEnvironment() {
    if (const char* value = std::getenv("QUELLMARK_THREADS")) {
        char* end = nullptr;
        const long threads = std::strtol(value, &end, 10);
        if (end != value && *end == '\0' && threads >= 1 && threads <= 1024) return static_cast<int>(threads);
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace

TThreadPool& TThreadPool::Shared() {
    static TThreadPool pool(ThreadsFromEnvironment());
    return pool;
}

TThreadPool::TThreadPool(int threads) : threads_(std::max(threads, 1)) {}

// The workers' own destructors stop and join them; a worker finishes the
// item it is on first.
TThreadPool::~TThreadPool() = default;

int TThreadPool::Threads() const {
    std::lock_guard lock(mutex_);
    return threads_;
}

// Workers beyond the new size stay, idle, rather than being joined, so a
// bench or test may switch sizes often; Start adds any that are missing.
void TThreadPool::SetThreads(int threads) {
    {
        std::lock_guard lock(mutex_);
        threads_ = std::max(threads, 1);
    }
    wake_.notify_all();
}

TThreadPool::Job TThreadPool::Start(int32_t count, std::function<void(int32_t)> task) {
    auto job = std::make_shared<JobState>(std::max(count, 0), std::move(task));
    if (job->count == 0) return Job(*this, std::move(job));
    {
        std::lock_guard lock(mutex_);
        if (threads_ == 1) return Job(*this, std::move(job));  // the caller does it all in Wait
        try {
            while (static_cast<int>(workers_.size()) < threads_ - 1)
                workers_.emplace_back([this, index = static_cast<int>(workers_.size())](std::stop_token stop) {
                    WorkerLoop(stop, index);
                });
        } catch (const std::system_error&) {
            // The system has no thread to spare: the job runs on the workers
            // there are, and on its caller, who takes every item left over.
        }
        queue_.push_back(job);
    }
    wake_.notify_all();
    return Job(*this, std::move(job));
}

void TThreadPool::WorkerLoop(std::stop_token stop, int index) {
    for (;;) {
        std::shared_ptr<JobState> job;
        {
            std::unique_lock lock(mutex_);
            // Worker `index` works while the pool is larger than index + 1
            // (the caller being one of its threads).
            if (!wake_.wait(lock, stop, [&] { return !queue_.empty() && index < threads_ - 1; })) return;
            job = queue_.front();
        }
        WorkOn(*job);
        Retire(job);
    }
}

bool TThreadPool::RunOne(JobState& job) {
    const int32_t item = job.next.fetch_add(1, std::memory_order_relaxed);
    if (item >= job.count) return false;
    try {
        job.task(item);
    } catch (...) {
        std::lock_guard lock(job.mutex);
        if (!job.error) job.error = std::current_exception();
    }
    job.Complete(1);
    return true;
}

void TThreadPool::WorkOn(JobState& job) {
    while (RunOne(job)) {}
}

std::shared_ptr<TThreadPool::JobState> TThreadPool::FirstQueued() {
    std::lock_guard lock(mutex_);
    return queue_.empty() ? nullptr : queue_.front();
}

void TThreadPool::Retire(const std::shared_ptr<JobState>& job) {
    std::lock_guard lock(mutex_);
    auto it = std::find(queue_.begin(), queue_.end(), job);
    if (it != queue_.end()) queue_.erase(it);
}

void TThreadPool::Job::Wait() {
    if (!state_) return;
    std::shared_ptr<JobState> job = std::move(state_);
    WorkOn(*job);
    pool_->Retire(job);
    // While other threads finish the last items, the caller takes items of
    // jobs started after this one, one at a time, so that it is back as
    // soon as this job is done; with nothing to take it sleeps.
    while (!job->Finished()) {
        if (std::shared_ptr<JobState> other = pool_->FirstQueued()) {
            if (!RunOne(*other)) pool_->Retire(other);
            continue;
        }
        std::unique_lock lock(job->mutex);
        job->done.wait(lock, [&] { return job->Finished(); });
    }
    if (job->error) std::rethrow_exception(job->error);
}

TThreadPool::Job::~Job() {
    if (!state_) return;
    JobState& job = *state_;
    // Taking every remaining item at once leaves only those already running.
    const int32_t taken = job.next.exchange(job.count, std::memory_order_relaxed);
    if (taken < job.count) job.Complete(job.count - taken);
    pool_->Retire(state_);
    std::unique_lock lock(job.mutex);
    job.done.wait(lock, [&] { return job.Finished(); });
}

}  // namespace quellmark
