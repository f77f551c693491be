#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <array>
#include <map>
#include <memory>
#include <vector>

class QTextDocument;
class frmDocument;
class Host;
class RecoveryWriter;

namespace recovery {
struct CopyInfo;
struct FoundCopy;
struct BrokenCopy;
struct RunFolder;
} // namespace recovery

/// Keeps a recovery copy of every modified document of the main window, so that a run that ends
/// abnormally (killed, crashed, power lost) loses no typing: the next start offers the copies
/// back. A copy is taken a few seconds after the first change since the last one (so continuous
/// typing still gets one every few seconds); the program's thread only takes the document's text
/// (or a copy of a rich document), and the writer thread encodes and writes it. Taking the text
/// of a large document is not free, so a copy that is due waits for a moment between keys: one
/// that fits in the gap the typing usually leaves is taken right after the next key has been
/// handled and shown, a longer one in the next pause of the typing, or at the latest after ten
/// delays.
class Recovery final : public QObject {
    Q_OBJECT
public:
    /// dataFolder: the per-user data folder; empty keeps no copies.
    Recovery(Host& main, const QString& dataFolder);
    /// Drops the copies of documents that are not modified, writes what changed in the others
    /// since their last copy, and removes this run's folder when no copy is left in it.
    ~Recovery() override;

    /// Milliseconds from the first change since the last copy to the next copy.
    void setDelay(int milliseconds);
    int delay() const { return timer_.interval(); }
    /// The folder that holds this run's copies; empty when none can be kept.
    QString folder() const;

    /// Follows a new document window's changes.
    void watch(frmDocument& doc);
    /// The document's text is at risk though not changed by typing (its file was deleted).
    void schedule(frmDocument& doc);
    /// The document was saved, reloaded or closed in order: its copy goes.
    void discard(frmDocument& doc);
    /// Takes the copies that are due now instead of after the delay.
    void flush();

    /// At start-up: offers the documents that runs which ended abnormally left behind, and
    /// opens them as modified documents when the user agrees. The copies go either way.
    void offerPrevious();

signals:
    /// A copy was written, or could not be (ok false); on the program's thread.
    void copyWritten(const QString& caption, bool ok);

protected:
    void customEvent(QEvent* event) override;

private:
    /// A copy of a big rich document being made a few paragraphs at a time.
    struct Stepping;
    struct Entry {
        frmDocument* doc = nullptr;
        qint64 id = 0;
        int generation = 0;    ///< copies taken so far
        bool pending = false;  ///< changed since the last copy
        bool inFlight = false; ///< a copy is with the writer
        bool retrying = false; ///< a copy failed; another try is set
        double copyMs = -1;    ///< what its last copy cost the program's thread
        std::shared_ptr<Stepping> stepping; ///< while a copy is being made in steps
    };
    /// A folder of an earlier run, kept (locked) until its documents have copies of this run.
    struct Claim {
        std::shared_ptr<recovery::RunFolder> run;
        QSet<qint64> waiting;
        QStringList keep; ///< copies whose loading the user cancelled: offered again next time
    };

    Entry* entryOf(const frmDocument& doc);
    Entry* entryWithId(qint64 id);
    void changed(frmDocument& doc);
    void becameDue();
    /// Takes the copies that are due and fit this moment: all of them in a pause of the typing
    /// or when long overdue; right after a key, those that fit before the next one.
    void takeDueCopies(bool afterKey);
    bool fitsBetweenKeys(const Entry& entry) const;
    bool richCopy(const frmDocument& doc) const;
    void takeCopy(Entry& entry);
    void copyInSteps(Entry& entry, recovery::CopyInfo info);
    void copyOn(qint64 id);
    void dropSteps(Entry& entry);
    /// Hands the copy to the writer: the rich copy made of the document, or else its text.
    void post(Entry& entry, recovery::CopyInfo info, std::shared_ptr<QTextDocument> copy);
    void written(qint64 id, int generation, const QString& caption, const QString& error);
    void failed(Entry& entry, const QString& caption, const QString& reason);
    bool ensureFolder(QString* error);
    /// Stops waiting for id; a claimed folder with nothing left to wait for is removed.
    void settled(qint64 id);
    void removeClaimed(const Claim& claim);
    /// Opens one copy as a modified document; nothing when it cannot be read (told in broken) or
    /// when the user cancelled its loading (cancelled set).
    frmDocument* restore(const recovery::FoundCopy& copy, std::vector<recovery::BrokenCopy>& broken,
                         bool& cancelled);
    void reportBroken(const std::vector<recovery::BrokenCopy>& broken);

    Host& main_;
    QString root_;
    std::unique_ptr<recovery::RunFolder> run_;
    std::unique_ptr<RecoveryWriter> writer_;
    std::map<const QObject*, Entry> entries_;
    std::vector<Claim> claims_;
    QTimer timer_;               ///< the delay from the first change to the copies
    QTimer pauseTimer_;          ///< the typing paused long enough for the slow copies
    QElapsedTimer sinceChange_;  ///< since the last change of any document
    QElapsedTimer dueSince_;     ///< since the copies became due; invalid while none is
    bool afterKeyPosted_ = false;
    std::array<qint64, 9> gaps_{}; ///< the last gaps between changes, in ms
    size_t gapCount_ = 0;
    qint64 nextId_ = 1;
};
