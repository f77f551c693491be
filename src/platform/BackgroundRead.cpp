#include "platform/BackgroundRead.h"

#include "platform/AppError.h"
#include "platform/Trap.h"

#include <new>

namespace platform {

namespace {
BackgroundReadSizes g_sizes;
BackgroundRead::PartHook g_partHook;
} // namespace

BackgroundReadSizes backgroundReadSizes()
{
    return g_sizes;
}

void setBackgroundReadSizes(const BackgroundReadSizes& sizes)
{
    g_sizes = sizes;
}

void BackgroundRead::setPartHook(PartHook hook)
{
    g_partHook = std::move(hook);
}

BackgroundRead::BackgroundRead(const QString& path, qint64 from, qint64 size, TextFormat::Encoding encoding,
                               PartSink onPart, EndSink onEnd, QObject* parent)
    : QObject(parent), size_(size), onPart_(std::move(onPart)), onEnd_(std::move(onEnd))
{
    done_ = from;
    worker_ = std::thread([this, path, from, encoding] { run(path, from, encoding); });
}

BackgroundRead::~BackgroundRead()
{
    stop_ = true;
    worker_.join();
}

void BackgroundRead::run(const QString& path, qint64 from, TextFormat::Encoding encoding)
{
    // What the worker hands over reaches the sinks through this object's thread; once the
    // object is gone, nothing more arrives.
    const auto post = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    const BackgroundReadSizes sizes = g_sizes;
    const PartHook hook = g_partHook;
    int parts = 0;
    RestRead how = RestRead::Stopped;
    QString problem;
    std::shared_ptr<TextStore> replacement;
    try {
        std::atomic<qint64> rest{0};
        how = readFileRest(
            path, from, encoding,
            [&](std::unique_ptr<TextStore> part) {
                if (hook)
                    hook(parts, stop_);
                ++parts;
                post([this, part = std::shared_ptr<TextStore>(std::move(part))] { onPart_(part); });
            },
            [&] {
                done_.store(from + rest.load(std::memory_order_relaxed), std::memory_order_relaxed);
                return !stop_.load(std::memory_order_relaxed);
            },
            rest, sizes.pieceBytes, sizes.partChars);
        if (how == RestRead::NotValid && !stop_) {
            // Its start looked like UTF-8 and the rest is not: every byte stands for itself.
            TextFormat as;
            as.encoding = TextFormat::Encoding::Windows1252;
            replacement = std::make_shared<TextStore>();
            try {
                decodeFileAs(path, *replacement, as, [&](int permille) {
                    done_.store(size_ * permille / 1000, std::memory_order_relaxed);
                    return !stop_.load(std::memory_order_relaxed);
                });
            } catch (const AppError& e) {
                if (e.number != err::Cancel)
                    throw;
                replacement.reset();
                how = RestRead::Stopped;
            }
        }
    } catch (const std::bad_alloc&) {
        how = RestRead::Stopped;
        replacement.reset();
        problem = QStringLiteral("There was not enough memory to read the rest of %1.").arg(path);
    } catch (...) {
        how = RestRead::Stopped;
        replacement.reset();
        problem = currentError().description;
    }
    if (how == RestRead::Whole)
        done_ = size_;
    post([this, how, problem, replacement] { onEnd_(how, problem, replacement); });
}

} // namespace platform
