#pragma once

#include <QThread>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

/// The one thread that writes and removes recovery copies, one job after another in the order
/// they were posted, so that typing never waits for the disk.
class RecoveryWriter final : public QThread {
public:
    using Job = std::function<void()>;

    explicit RecoveryWriter(QObject* parent = nullptr);
    /// Runs what is still posted, then ends the thread.
    ~RecoveryWriter() override;

    /// Queues a job; it runs, and is destroyed, on this thread. Safe from any thread.
    void post(Job job);
    /// Runs every job posted so far, then ends the thread and waits for it.
    void finish();

protected:
    void run() override;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool finishing_ = false;
};
