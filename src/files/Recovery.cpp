#include "files/Recovery.h"

#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/FileFormat.h"
#include "files/RecoveryFiles.h"
#include "files/RecoveryWriter.h"
#include "app/Host.h"
#include "platform/AppError.h"
#include "platform/KeptAside.h"
#include "platform/RichTextBox.h"
#include "platform/RichCopyInSteps.h"
#include "platform/Services.h"
#include "platform/StepsWithProgress.h"
#include "platform/DocumentFiles.h"
#include "platform/Trap.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/text/TextFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QEvent>
#include <QLockFile>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTextDocument>
#include <algorithm>

using recovery::BrokenCopy;
using recovery::CopyInfo;
using recovery::FoundCopy;
using recovery::RunFolder;

namespace {

const QString kNoMemory = QStringLiteral("there is not enough memory.");

// Whether a text holds half of a surrogate pair without the other, which UTF-8 cannot hold. A
// snapshot's pieces never part a pair.
bool holdsLoneSurrogate(const platform::TextStore::Snapshot& snapshot)
{
    bool found = false;
    snapshot.forEachPiece([&](QStringView piece) {
        const char16_t* p = piece.utf16();
        for (qsizetype i = 0, n = piece.size(); i < n; ++i) {
            if (!QChar::isSurrogate(p[i]))
                continue;
            if (QChar::isHighSurrogate(p[i]) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
                ++i;
                continue;
            }
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

// The encoding a copy's text file of that kind is written and read in.
platform::TextFormat rawCopyFormat(CopyInfo::PlainCopy kind)
{
    using Encoding = platform::TextFormat::Encoding;
    platform::TextFormat format;
    format.encoding = kind == CopyInfo::PlainCopy::RawUtf16 ? Encoding::Utf16LE : Encoding::Utf8Bom;
    return format;
}

constexpr int kDefaultDelay = 3000;
// A copy that could not be written is tried again after this many delays, changes or not.
constexpr int kRetryDelays = 10;
// A due copy that does not fit between two keys waits for a pause this long, or this many
// delays at the most.
constexpr int kPause = 300;
constexpr int kLongestWait = 10;
// A copy fits between two keys when it ends this long before the next key usually comes; one
// this short always fits. Before its first copy a document is judged by its size: taking a plain
// text costs about 7 ms a million characters, copying a rich document about 0.3 ms a thousand.
constexpr double kMarginMs = 16;
constexpr double kPlainMsPerChar = 7e-6;
constexpr double kRichMsPerChar = 3e-4;
// A rich document of this share of progressFromBytes() in characters or more is copied a few
// paragraphs at a time: copied at once it would hold the window for longer than a moment.
constexpr qint64 kRichInStepsDivisor = 128;

const QEvent::Type kAfterKey = QEvent::Type(QEvent::registerEventType());

QString oneLine(QString text)
{
    text.replace(u'\n', u' ');
    return text;
}

QString question(int count)
{
    return modMain::AppTitle + QStringLiteral(" did not close properly last time.  ")
           + (count == 1 ? QStringLiteral("1 unsaved document can be recovered.")
                         : QStringLiteral("%1 unsaved documents can be recovered.").arg(count))
           + QStringLiteral("\n\nRecover them now?  If you choose No, they are discarded.");
}

} // namespace

Recovery::Recovery(Host& main, const QString& dataFolder) : QObject(nullptr), main_(main)
{
    setObjectName(QStringLiteral("Recovery"));
    timer_.setSingleShot(true);
    timer_.setInterval(kDefaultDelay);
    connect(&timer_, &QTimer::timeout, this, &Recovery::becameDue);
    pauseTimer_.setSingleShot(true);
    connect(&pauseTimer_, &QTimer::timeout, this, [this] { takeDueCopies(false); });
    if (dataFolder.isEmpty())
        return;
    root_ = dataFolder + u'/' + modMain::AppTitle + QStringLiteral("/recovery");
    platform::setKeptAsideFolder(dataFolder + u'/' + modMain::AppTitle + QStringLiteral("/kept-aside"));
    writer_ = std::make_unique<RecoveryWriter>();
    writer_->start(QThread::LowPriority);
    ensureFolder(nullptr); // a failure is told when the first copy is due
}

Recovery::~Recovery()
{
    timer_.stop();
    pauseTimer_.stop();
    if (!writer_)
        return;
    for (auto& [key, entry] : entries_) {
        if (!entry.doc->bIsDirty) {
            discard(*entry.doc);
        } else if (entry.pending && !entry.inFlight) {
            takeCopy(entry); // what changed since the last copy
        }
    }
    writer_->finish();
    // Claimed folders whose documents still wait for a copy stay for the next start.
    claims_.clear();
    if (run_) {
        if (!recovery::holdsCopies(run_->path))
            recovery::removeRunFolder(*run_);
        run_.reset(); // a folder with copies stays, unlocked, for the next start to offer
    }
}

void Recovery::setDelay(int milliseconds)
{
    timer_.setInterval(std::max(0, milliseconds));
}

QString Recovery::folder() const
{
    return run_ ? run_->path : QString();
}

bool Recovery::ensureFolder(QString* error)
{
    if (run_)
        return true;
    QString reason;
    if (std::optional<RunFolder> run = recovery::createRunFolder(root_, &reason)) {
        run_ = std::make_unique<RunFolder>(std::move(*run));
        return true;
    }
    if (error)
        *error = reason;
    return false;
}

Recovery::Entry* Recovery::entryOf(const frmDocument& doc)
{
    const auto it = entries_.find(&doc);
    return it == entries_.end() ? nullptr : &it->second;
}

Recovery::Entry* Recovery::entryWithId(qint64 id)
{
    for (auto& [key, entry] : entries_) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

void Recovery::watch(frmDocument& doc)
{
    if (!writer_ || entryOf(doc))
        return;
    Entry entry;
    entry.doc = &doc;
    entry.id = nextId_++;
    entries_.emplace(&doc, entry);
    connect(doc.rtfText, &platform::RichTextBox::Change, this, [this, &doc] { changed(doc); });
    // Saved, or its changes given up: its copy goes as the window closes.
    connect(&doc, &frmDocument::closing, this, [this, &doc] { discard(doc); });
    connect(&doc, &QObject::destroyed, this, [this](QObject* gone) {
        if (const auto it = entries_.find(gone); it != entries_.end()) {
            const qint64 id = it->second.id;
            entries_.erase(it);
            settled(id);
        }
    });
}

void Recovery::changed(frmDocument& doc)
{
    // Every key passes here: no more than marking the document and starting the clock.
    Entry* entry = entryOf(doc);
    if (!entry)
        return;
    entry->pending = true;
    if (sinceChange_.isValid()) {
        gaps_[gapCount_ % gaps_.size()] = std::min<qint64>(sinceChange_.elapsed(), kPause);
        ++gapCount_;
    }
    sinceChange_.start();
    if (dueSince_.isValid()) {
        if (!afterKeyPosted_) {
            // Below the key's own work and its painting, which are posted at higher priorities.
            afterKeyPosted_ = true;
            QCoreApplication::postEvent(this, new QEvent(kAfterKey), Qt::LowEventPriority - 1);
        }
    } else if (!timer_.isActive()) {
        timer_.start();
    }
}

void Recovery::customEvent(QEvent* event)
{
    if (event->type() != kAfterKey)
        return;
    afterKeyPosted_ = false;
    takeDueCopies(true);
}

void Recovery::schedule(frmDocument& doc)
{
    changed(doc);
}

void Recovery::flush()
{
    timer_.stop();
    pauseTimer_.stop();
    dueSince_.invalidate();
    for (auto& [key, entry] : entries_) {
        if (entry.pending && !entry.inFlight)
            takeCopy(entry);
    }
}

void Recovery::becameDue()
{
    dueSince_.start();
    takeDueCopies(false);
}

bool Recovery::richCopy(const frmDocument& doc) const
{
    return doc.rtfText->isRichView() || SaveFileType(doc.Caption()) == platform::RichTextBox::RichText;
}

bool Recovery::fitsBetweenKeys(const Entry& entry) const
{
    double cost = entry.copyMs;
    if (cost < 0) {
        cost = double(entry.doc->rtfText->TextLength())
               * (richCopy(*entry.doc) ? kRichMsPerChar : kPlainMsPerChar);
    }
    // The usual gap: the middle one of the last few.
    std::array<qint64, 9> gaps = gaps_;
    const size_t n = std::min(gapCount_, gaps.size());
    qint64 usual = 0;
    if (n > 0) {
        std::nth_element(gaps.begin(), gaps.begin() + n / 2, gaps.begin() + n);
        usual = gaps[n / 2];
    }
    return cost <= std::max(kMarginMs / 2, double(usual) - kMarginMs);
}

void Recovery::takeDueCopies(bool afterKey)
{
    if (!dueSince_.isValid())
        return;
    const int pause = std::min(kPause, delay());
    const qint64 idle = sinceChange_.isValid() ? sinceChange_.elapsed() : pause;
    const bool paused = idle >= pause;
    const bool overdue = dueSince_.elapsed() >= qint64(delay()) * kLongestWait;
    bool waiting = false;
    for (auto& [key, entry] : entries_) {
        if (!entry.pending || entry.inFlight)
            continue;
        if (paused || overdue || (afterKey && fitsBetweenKeys(entry)))
            takeCopy(entry);
        else
            waiting = true;
    }
    if (waiting) {
        pauseTimer_.start(int(pause - std::min<qint64>(idle, pause)) + 1);
    } else {
        pauseTimer_.stop();
        dueSince_.invalidate();
    }
}

void Recovery::takeCopy(Entry& entry)
{
    frmDocument& doc = *entry.doc;
    // Saved meanwhile, or the close question is up: nothing to copy now. A change later, or
    // Cancel on the question followed by a change, brings the copy back.
    if (!doc.bIsDirty)
        return;
    platform::RichTextBox& box = *doc.rtfText;
    const QString caption = doc.Caption();
    const bool untitled = doc.isUntitled();
    if (untitled && box.TextLength() == 0) {
        discard(doc); // an empty new document has nothing to lose
        return;
    }
    QString reason;
    if (!ensureFolder(&reason)) {
        failed(entry, caption, reason);
        return;
    }
    QElapsedTimer cost;
    cost.start();
    CopyInfo info;
    info.caption = caption;
    // Only the start of a file, stopped while it was read, comes back without the file's name:
    // a Save of it must never aim at the whole file.
    if (!untitled && !box.isPartialRead())
        info.path = QDir::isAbsolutePath(caption) ? caption : QDir::current().absoluteFilePath(caption);
    info.rich = richCopy(doc);
    info.format = box.plainTextFormat();
    info.diskStamp = doc.diskStamp();
    info.order = entry.id;
    const QTextDocument* rich = box.document();
    if (info.rich && rich && rich->characterCount() >= platform::progressFromBytes() / kRichInStepsDivisor) {
        copyInSteps(entry, std::move(info));
    } else {
        // A small rich document is copied here at once; a copy there is no room for only fails
        // this copy, as a plain one that runs short on the writer does.
        std::shared_ptr<QTextDocument> copy;
        if (info.rich && rich) {
            try {
                copy = box.richCopy();
            } catch (const std::bad_alloc&) {
                entry.pending = false;
                failed(entry, caption, kNoMemory);
                return;
            }
        }
        post(entry, std::move(info), std::move(copy));
    }
    entry.copyMs = cost.nsecsElapsed() / 1e6;
}

struct Recovery::Stepping {
    explicit Stepping(const QTextDocument& source) : copy(source) {}
    ~Stepping() { QObject::disconnect(watch); } // the document may outlive its copy
    Stepping(const Stepping&) = delete;
    Stepping& operator=(const Stepping&) = delete;
    platform::RichCopyInSteps copy;
    QPointer<QTextDocument> source;
    bool changed = false; ///< the document changed meanwhile: the copy is of no use
    QMetaObject::Connection watch;
    CopyInfo info;
};

void Recovery::copyInSteps(Entry& entry, CopyInfo info)
{
    // A big rich document is copied a few paragraphs at a time between the window's events. A
    // change to it meanwhile drops the copy; the change itself asks for the next.
    QTextDocument* source = entry.doc->rtfText->document();
    entry.pending = false;
    entry.inFlight = true;
    auto stepping = std::make_shared<Stepping>(*source);
    stepping->source = source;
    stepping->info = std::move(info);
    stepping->watch = connect(source, &QTextDocument::contentsChange, this,
                              [changed = &stepping->changed] { *changed = true; });
    entry.stepping = std::move(stepping);
    const qint64 id = entry.id;
    QTimer::singleShot(0, this, [this, id] { copyOn(id); });
}

void Recovery::copyOn(qint64 id)
{
    Entry* entry = entryWithId(id);
    if (!entry || !entry->stepping)
        return; // closed, saved or given up meanwhile
    Stepping& stepping = *entry->stepping;
    if (stepping.changed || !stepping.source || entry->doc->rtfText->document() != stepping.source) {
        dropSteps(*entry);
        entry->pending = true;
        if (!timer_.isActive() && !dueSince_.isValid())
            timer_.start();
        return;
    }
    bool whole = false;
    try {
        platform::StepBudget budget;
        whole = stepping.copy.step(budget);
    } catch (const std::bad_alloc&) {
        const QString caption = stepping.info.caption;
        dropSteps(*entry);
        failed(*entry, caption, kNoMemory);
        return;
    }
    if (!whole) {
        QTimer::singleShot(0, this, [this, id] { copyOn(id); });
        return;
    }
    std::shared_ptr<QTextDocument> copy = stepping.copy.take();
    CopyInfo info = std::move(stepping.info);
    dropSteps(*entry);
    post(*entry, std::move(info), std::move(copy));
}

void Recovery::dropSteps(Entry& entry)
{
    if (!entry.stepping)
        return;
    entry.stepping.reset();
    entry.inFlight = false;
}

void Recovery::post(Entry& entry, CopyInfo info, std::shared_ptr<QTextDocument> copy)
{
    platform::RichTextBox& box = *entry.doc->rtfText;
    entry.pending = false;
    entry.inFlight = true;
    const int generation = ++entry.generation;
    const qint64 id = entry.id;
    const QString folder = run_->path;
    auto report = [this, id, generation, caption = info.caption](const QString& error) {
        QMetaObject::invokeMethod(this, [=, this] { written(id, generation, caption, error); },
                                  Qt::QueuedConnection);
    };
    // What makes the copy's text as it is written, and what it comes to.
    platform::ByteProducer produce;
    qint64 size = 0;
    if (copy) {
        // The copy of the document moves to the writer, which writes it as RTF while it makes
        // it, so that the RTF is never held whole, and deletes it.
        copy->moveToThread(writer_.get());
        size = copy->characterCount();
        produce = [copy](const auto& write) { platform::rtf::RtfWriter::write(*copy, write); };
    } else if (info.rich) {
        // A plain document that is kept as RTF: made from a snapshot of its text.
        size = box.TextLength();
        produce = box.plainAsRtf();
    }
    RecoveryWriter::Job job;
    if (produce) {
        job = [produce = std::move(produce), copy = std::move(copy), folder, id, generation, info, size,
               report]() mutable {
            QString error;
            try {
                error = recovery::writeCopy(folder, id, generation, info, produce, size);
            } catch (const std::bad_alloc&) {
                error = kNoMemory;
            }
            produce = nullptr;
            copy.reset();
            report(error);
        };
    } else if (auto snapshot = box.plainSnapshot()) {
        // Written from the snapshot piece by piece, as the file would be, every break in its own
        // style: no second copy of the text is made, and the copy reads back exactly.
        job = [snapshot = std::move(snapshot), folder, id, generation, info, report]() mutable {
            const bool wide = holdsLoneSurrogate(*snapshot);
            info.plainCopy = wide ? CopyInfo::PlainCopy::RawUtf16 : CopyInfo::PlainCopy::RawUtf8;
            const platform::TextFormat as = rawCopyFormat(info.plainCopy);
            const QString error = recovery::writeCopy(
                folder, id, generation, info,
                [&](const auto& write) { platform::encodeText(*snapshot, as, write); },
                snapshot->length() * (wide ? 2 : 1));
            snapshot.reset();
            report(error);
        };
    } else {
        // The text is read on the writer's thread.
        job = [read = box.textReader(), folder, id, generation, info, report]() mutable {
            try {
                const QByteArray data = recovery::plainData(read());
                read = nullptr;
                report(recovery::writeCopy(folder, id, generation, info, data));
            } catch (const std::bad_alloc&) {
                read = nullptr;
                report(kNoMemory);
            }
        };
    }
    writer_->post(std::move(job));
}

void Recovery::written(qint64 id, int generation, const QString& caption, const QString& error)
{
    Entry* entry = entryWithId(id);
    if (entry && entry->generation == generation)
        entry->inFlight = false;
    if (!error.isEmpty()) {
        if (entry)
            failed(*entry, caption, error);
    } else {
        settled(id);
        if (entry && entry->pending && !timer_.isActive() && !dueSince_.isValid())
            timer_.start();
    }
    Q_EMIT copyWritten(caption, error.isEmpty());
}

void Recovery::failed(Entry& entry, const QString& caption, const QString& reason)
{
    // The document itself is untouched; the user is told in passing, and it is tried again.
    main_.setStatusText(oneLine(QStringLiteral("Could not keep a recovery copy of %1: %2")
                                    .arg(caption, reason)));
    if (entry.retrying)
        return;
    entry.retrying = true;
    const qint64 id = entry.id;
    QTimer::singleShot(std::max(1000, delay() * kRetryDelays), this, [this, id] {
        if (Entry* e = entryWithId(id)) {
            e->retrying = false;
            changed(*e->doc);
        }
    });
}

void Recovery::discard(frmDocument& doc)
{
    Entry* entry = entryOf(doc);
    if (!entry)
        return;
    entry->pending = false;
    dropSteps(*entry);
    if (entry->generation > 0 && run_) {
        // After any copy of it still with the writer, which keeps the order.
        writer_->post([folder = run_->path, id = entry->id] { recovery::removeCopy(folder, id); });
    }
    settled(entry->id);
}

void Recovery::settled(qint64 id)
{
    for (auto it = claims_.begin(); it != claims_.end();) {
        if (it->waiting.remove(id) && it->waiting.isEmpty()) {
            removeClaimed(*it);
            it = claims_.erase(it);
        } else {
            ++it;
        }
    }
}

void Recovery::removeClaimed(const Claim& claim)
{
    writer_->post([run = claim.run, keep = claim.keep] { recovery::pruneRunFolder(*run, keep); });
}

void Recovery::offerPrevious()
{
    if (!writer_)
        return;
    // A save that wrote a file in place and never ended: the file may be cut short, and its old
    // text is where the user can take it back from.
    for (const platform::LeftAside& left : platform::takeLeftAside()) {
        main_.services().messages->show(
            main_.frame(),
            QStringLiteral("Quiple ended while it saved %1, which may be incomplete.  Its text as it "
                           "was before that save is kept in %2.").arg(left.file, left.copy),
            platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
    }
    std::vector<RunFolder> claimed = recovery::claimAbandoned(root_, folder());
    if (claimed.empty())
        return;
    std::vector<FoundCopy> found;
    std::vector<BrokenCopy> broken;
    std::vector<size_t> owner; // the claimed folder each found copy comes from
    for (size_t i = 0; i < claimed.size(); ++i) {
        recovery::readFolder(claimed[i].path, found, broken);
        owner.resize(found.size(), i);
    }
    std::vector<Claim> claims;
    for (RunFolder& run : claimed)
        claims.push_back({std::make_shared<RunFolder>(std::move(run)), {}, {}});

    bool recover = false;
    if (!found.empty()) {
        recover = main_.services().messages->show(main_.frame(), question(int(found.size())),
                                                  platform::Buttons::YesNo,
                                                  platform::Icon::Question, modMain::AppTitle)
                  == platform::Answer::Yes;
    }
    if (recover) {
        std::vector<Entry*> restored;
        for (size_t i = 0; i < found.size(); ++i) {
            bool cancelled = false;
            if (frmDocument* doc = restore(found[i], broken, cancelled)) {
                Entry* entry = entryOf(*doc);
                if (!entry)
                    continue;
                claims[owner[i]].waiting.insert(entry->id);
                restored.push_back(entry);
            } else if (cancelled) {
                claims[owner[i]].keep << QFileInfo(found[i].descriptionFile).fileName();
            }
        }
        // The folders go once every recovered document has a copy of this run.
        for (Claim& claim : claims) {
            if (claim.waiting.isEmpty())
                removeClaimed(claim);
            else
                claims_.push_back(std::move(claim));
        }
        for (Entry* entry : restored) {
            entry->pending = true;
            takeCopy(*entry);
        }
    } else {
        for (Claim& claim : claims)
            removeClaimed(claim);
    }
    if (recover || found.empty())
        reportBroken(broken);
}

frmDocument* Recovery::restore(const FoundCopy& copy, std::vector<BrokenCopy>& broken,
                              bool& cancelled)
{
    frmDocument* doc = main_.LoadNewDoc();
    if (!doc) {
        broken.push_back({copy.descriptionFile, copy.info.caption,
                          QStringLiteral("no window could be made for it")});
        return nullptr;
    }
    try {
        // Loading the stored file keeps working however the editor loads large files.
        const platform::TextFormat raw = rawCopyFormat(copy.info.plainCopy);
        const bool exact = !copy.info.rich && copy.info.plainCopy != CopyInfo::PlainCopy::Lines;
        doc->rtfText->LoadFile(copy.dataPath(), exact ? &raw : nullptr);
    } catch (const platform::ProgramEnd&) {
        throw;
    } catch (...) {
        const platform::AppError error = platform::currentError();
        doc->discardUnloaded();
        // A load the user cancelled loses nothing: the copy waits for the next start.
        cancelled = error.number == platform::err::Cancel;
        if (!cancelled)
            broken.push_back({copy.descriptionFile, copy.info.caption, error.description});
        return nullptr;
    }
    if (!copy.info.rich && copy.info.plainCopy == CopyInfo::PlainCopy::Lines)
        doc->rtfText->setPlainTextFormat(copy.info.format);
    else if (!copy.info.rich)
        doc->rtfText->restorePlainTextFormat(copy.info.format);
    // A document of a file keeps its path, so that Save writes it where it belongs; a new one
    // keeps the "Untitled " number of this run.
    if (!copy.info.path.isEmpty())
        doc->setCaption(copy.info.path);
    doc->setDiskStamp(copy.info.path.isEmpty() ? QString() : copy.info.diskStamp);
    doc->bIsDirty = true;
    return doc;
}

void Recovery::reportBroken(const std::vector<BrokenCopy>& broken)
{
    if (broken.empty())
        return;
    QStringList lines;
    for (const BrokenCopy& b : broken) {
        const QString what = b.caption.isEmpty() ? b.file
                                                 : QStringLiteral("%1 (%2)").arg(b.caption, b.file);
        lines << QStringLiteral("%1: %2").arg(what, b.reason);
    }
    main_.services().messages->show(
        main_.frame(),
        QStringLiteral("These recovery copies could not be read and were skipped:\n\n")
            + lines.join(u'\n'),
        platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
}
