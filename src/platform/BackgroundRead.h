#pragma once

#include "platform/TextFile.h"
#include "platform/text/TextFiles.h"
#include "platform/text/TextStore.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

/// The sizes that decide how a plain file is read beside the window; tests make them small.
struct BackgroundReadSizes {
    qint64 fromBytes = 32 * 1024 * 1024;     ///< files from this size are read beside the window
    qint64 headBytes = 1024 * 1024;          ///< the first part, read at once and shown
    qsizetype partChars = 8 * 1024 * 1024;   ///< the rest is handed over in parts of about this
    qsizetype pieceBytes = 1024 * 1024;      ///< bytes read at a time
};
BackgroundReadSizes backgroundReadSizes();
void setBackgroundReadSizes(const BackgroundReadSizes& sizes);

/// Reads the rest of a plain file on worker threads while its start is shown, and hands each
/// part over on the thread that made it, in order. Deleting it stops the read and waits for the
/// workers; parts not yet handed over are dropped.
class BackgroundRead : public QObject {
    Q_OBJECT
public:
    /// How the read ended: whole, stopped (by stop() or a failure, told in problem), or, when
    /// the file was not valid in the encoding its start showed, read anew whole as
    /// Windows-1252 into replacement.
    using PartSink = std::function<void(std::shared_ptr<TextStore> part)>;
    using EndSink = std::function<void(RestRead how, const QString& problem,
                                       std::shared_ptr<TextStore> replacement)>;

    BackgroundRead(const QString& path, qint64 from, qint64 size, TextFormat::Encoding encoding,
                   PartSink onPart, EndSink onEnd, QObject* parent = nullptr);
    ~BackgroundRead() override;

    /// Bytes read so far, and the file's size.
    qint64 done() const { return done_.load(std::memory_order_relaxed); }
    qint64 size() const { return size_; }

    /// Tests stand in for the disk here: hook is called on the worker before part n (from 0) is
    /// handed over, so that a test can hold the read at a known place; it must return soon once
    /// stopping is set.
    using PartHook = std::function<void(int n, const std::atomic<bool>& stopping)>;
    static void setPartHook(PartHook hook);

private:
    void run(const QString& path, qint64 from, TextFormat::Encoding encoding);

    qint64 size_ = 0;
    std::atomic<qint64> done_{0};
    std::atomic<bool> stop_{false};
    PartSink onPart_;
    EndSink onEnd_;
    std::thread worker_;
};

} // namespace platform
