#include "platform/DocumentFiles.h"

#include "platform/AppError.h"
#include "platform/StepsWithProgress.h"
#include "platform/rtf/KeptMarkers.h"
#include "platform/rtf/LongRuns.h"
#include "platform/rtf/RtfReader.h"
#include "platform/text/TextFiles.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <fcntl.h>
#include <new>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

qint64 g_progressFromBytes = 8 * 1024 * 1024;
int g_momentMs = 400;
std::function<void()> g_firstReportHook;

// Rich text from this size is read on a worker thread.
constexpr qint64 kRichBesideBytes = 256 * 1024;

// Reports per mille of the whole load; a false answer stops it.
class Steps {
public:
    explicit Steps(const std::function<bool(int)>& progress) : progress_(progress) {}

    /// False when the load is to stop.
    bool tell(int permille) const { return !progress_ || progress_(std::clamp(permille, 0, 1000)); }
    void report(int permille) const
    {
        if (!tell(permille))
            raise(err::Cancel, QStringLiteral("Loading was cancelled."));
    }
    /// done out of total within the span [from, to] of the whole.
    void report(int from, int to, qint64 done, qint64 total) const
    {
        report(from + int(total > 0 ? (to - from) * double(done) / double(total) : 0));
    }

private:
    const std::function<bool(int)>& progress_;
};


QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
    return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
}

QByteArray readAllBytes(const QString& path, const Steps& steps)
{
    return readRegularFile(path, [&](qint64 done, qint64 total) {
        steps.report(0, 200, done, total);
        return true;
    });
}

} // namespace

bool holdsRtf(const QString& path)
{
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    char head[16];
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return n > 0 && rtf::RtfReader::looksLikeRtf(QByteArray(head, int(n)));
}

qint64 progressFromBytes()
{
    return g_progressFromBytes;
}

void setProgressFromBytes(qint64 bytes)
{
    g_progressFromBytes = bytes;
}

int momentMs()
{
    return g_momentMs;
}

void setMomentMs(int milliseconds)
{
    g_momentMs = milliseconds;
}

void setFirstReportHook(std::function<void()> hook)
{
    g_firstReportHook = std::move(hook);
}

LoadedDocument loadDocument(const QString& path, const QFont& font,
                            const std::function<bool(int)>& progress, const TextFormat* as, qreal tabStop)
{
    const Steps steps(progress);
    try {
        LoadedDocument result;
        result.rich = !as && holdsRtf(path);
        if (result.rich) {
            const QByteArray bytes = readAllBytes(path, steps);
            result.document = std::make_unique<QTextDocument>();
            QTextDocument& doc = *result.document;
            doc.setUndoRedoEnabled(false);
            doc.setDefaultFont(font);
            QStringList unkept;
            rtf::RtfReader::read(
                bytes, doc, nullptr,
                [&](qint64 done, qint64 total) {
                    return steps.tell(200 + int(800.0 * double(done) / double(std::max<qint64>(total, 1))));
                },
                &unkept);
            result.unkept = unkept.join(QStringLiteral(", "));
            chooseWrapAhead(doc, tabStop);
            doc.setUndoRedoEnabled(true);
            doc.setModified(false);
            rtf::showKeptMarkers(doc);
            result.joins = PieceJoins(doc);
        } else {
            result.store = std::make_unique<TextStore>();
            const auto tell = [&](int permille) { return steps.tell(permille); };
            result.format = as ? decodeFileAs(path, *result.store, *as, tell)
                               : decodeFileInto(path, *result.store, tell);
        }
        // What was read stays readable after its name went; only the caller can keep it now.
        result.vanished = fileStamp(path) == QLatin1String("gone");
        steps.report(1000);
        return result;
    } catch (const std::bad_alloc&) {
        raise(err::OutOfMemory,
              QStringLiteral("Not enough memory to open %1 (%2).")
                  .arg(path, sizeText(std::max<qint64>(fileSize(path), 0))));
    }
}

void runWithProgress(QWidget* parent, const QString& label, const QString& cancelledText,
                     const std::function<void(const std::function<bool(int)>&)>& work,
                     int showAfterMs)
{
    std::atomic<int> permille{0};
    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&, hook = g_firstReportHook] {
        bool reported = false;
        try {
            work([&](int p) {
                permille.store(p, std::memory_order_relaxed);
                if (hook && !std::exchange(reported, true))
                    hook();
                return !cancelled.load(std::memory_order_relaxed);
            });
        } catch (...) {
            failure = std::current_exception();
        }
    }));

    QProgressDialog dialog(parent);
    prepareProgressDialog(dialog, label, showAfterMs);
    dialog.setValue(0);

    // Whichever loop runs when the worker ends is left; the flag tells it did.
    bool finished = false;
    QEventLoop loop;
    QEventLoop* running = nullptr;
    QObject::connect(worker.get(), &QThread::finished, &dialog, [&] {
        finished = true;
        if (running)
            running->quit();
    });
    // The Cancel button, Esc and closing the window all cancel.
    const auto cancel = [&] {
        if (cancelled.exchange(true))
            return;
        dialog.setLabelText(QStringLiteral("Cancelling..."));
        dialog.show();
    };
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, cancel);
    QObject::connect(&dialog, &QDialog::rejected, &dialog, cancel);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog,
                     [&] { dialog.setValue(permille.load(std::memory_order_relaxed)); });
    worker->start();
    if (showAfterMs > 0) {
        // Work done within a moment shows no window. Until it shows, the window keeps painting
        // while the user's input waits, so nothing can change under the work.
        QEventLoop moment;
        running = &moment;
        QTimer::singleShot(showAfterMs, &moment, &QEventLoop::quit);
        moment.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!finished) {
        tick.start(50);
        dialog.show();
        running = &loop;
        loop.exec();
    }
    running = nullptr;
    worker->wait();
    tick.stop();
    dialog.hide();
    // The keyboard goes back to the window the work was for.
    if (parent && parent->window()->isVisible())
        parent->window()->activateWindow();

    // A Cancel that came once the work had ended is too late to take it back: what it wrote is
    // written, so it is no cancel. A real failure that came first still tells its own story.
    if (cancelled && failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const AppError& e) {
            if (e.number != err::Cancel)
                throw;
        }
        raise(err::Cancel, cancelledText);
    }
    if (failure)
        std::rethrow_exception(failure);
}

LoadedDocument loadDocumentWithProgress(const QString& path, const QFont& font, QWidget* parent,
                                        const TextFormat* as, qreal tabStop)
{
    const qint64 size = fileSize(path);
    if (size < 0) // not a regular file: refused by the load itself
        return loadDocument(path, font, {}, as, tabStop);
    // Rich text is read several times slower than plain text: from a smaller size it is read
    // beside the window, which shows its progress only when it takes more than a moment.
    int showAfterMs = 0;
    if (size < g_progressFromBytes) {
        if (size < std::min(g_progressFromBytes, kRichBesideBytes) || as || !holdsRtf(path))
            return loadDocument(path, font, {}, as, tabStop);
        showAfterMs = std::max(1, g_momentMs);
    }
    LoadedDocument result;
    QThread* const home = QThread::currentThread();
    runWithProgress(parent,
                    QStringLiteral("Opening %1 (%2)...").arg(QFileInfo(path).fileName(), sizeText(size)),
                    QStringLiteral("Loading was cancelled."), [&](const auto& progress) {
                        LoadedDocument loaded = loadDocument(path, font, progress, as, tabStop);
                        if (loaded.document)
                            loaded.document->moveToThread(home);
                        result = std::move(loaded);
                    }, showAfterMs);
    return result;
}

} // namespace platform
