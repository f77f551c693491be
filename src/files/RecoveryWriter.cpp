#include "files/RecoveryWriter.h"

RecoveryWriter::RecoveryWriter(QObject* parent) : QThread(parent)
{
    setObjectName(QStringLiteral("RecoveryWriter"));
}

RecoveryWriter::~RecoveryWriter()
{
    finish();
}

void RecoveryWriter::post(Job job)
{
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryWriter::finish()
{
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
    wait();
}

void RecoveryWriter::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return finishing_ || !jobs_.empty(); });
            if (jobs_.empty())
                return; // finishing, and nothing is left to write
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // What the job holds (a document copy, say) belongs to this thread and ends here.
        job();
        job = nullptr;
    }
}
