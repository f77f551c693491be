#pragma once

#include "platform/TextFile.h"
#include "platform/text/LeafText.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

/// The text of a plain document.
///
/// Why this shape: the text is held in leaves of at most a few tens of thousands of UTF-16 code
/// units, cut anywhere (never inside a surrogate pair), not at line ends, in one flat vector with
/// running totals of characters and line breaks. A leaf is implicitly shared, so a snapshot for
/// saving or for a recovery copy is a copy of that vector (one reference count per leaf), and
/// later edits copy only the leaf they touch. A leaf whose characters are all below U+0100 (most
/// files' text) holds them in one byte each, and is widened to UTF-16 by the first edit in it
/// (LeafText): a gigabyte of ASCII takes a gigabyte, not two. Because leaves are cut anywhere, a
/// 10 MB line costs what a 10 MB file of short lines costs, and an edit moves at most one leaf's
/// characters. A piece table would keep the file's text untouched, but its offset look-ups need a
/// balanced tree, and a vector of whole lines pays an allocation per line and a long move for
/// every key in a long line; this scheme needs neither, and a flat vector of 16,000 leaves (a
/// gigabyte) is walked in microseconds.
///
/// Offsets count UTF-16 code units, and each line break counts as one: the text reads with '\n'
/// between lines, whatever break the file had. Each break keeps its own style, so a file that
/// mixes LF, CRLF and CR writes back byte for byte; a break typed here takes the document's style.
class TextStore {
public:
    using LineBreak = TextFormat::LineBreak;

    struct Leaf {
        LeafText text;                                  ///< '\n' for every break
        std::vector<std::pair<int, LineBreak>> unusual; ///< breaks not in the document's style
    };

    /// A read-only copy of the text at one moment, unchanged by later edits; safe to read on
    /// another thread.
    class Snapshot {
    public:
        qsizetype length() const { return length_; }
        LineBreak lineBreak() const { return lineBreak_; }
        /// Calls sink with the text as the file holds it (every break in its own style), in
        /// pieces; sink returns false to stop. Returns false when stopped.
        bool forEachRawPiece(const std::function<bool(QStringView)>& sink) const;
        QString rawText() const;
        /// The text with '\n' for every break, as TextStore::text() gives it.
        QString text() const;
        /// The same in pieces, without copying it; sink returns false to stop. Returns false
        /// when stopped.
        bool forEachPiece(const std::function<bool(QStringView)>& sink) const;

    private:
        friend class TextStore;
        std::vector<Leaf> leaves_;
        qsizetype length_ = 0;
        LineBreak lineBreak_ = LineBreak::LF;
    };

    TextStore();
    ~TextStore();
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    /// Replaces everything with text as a file holds it: "\r\n", "\r" and "\n" are each one line
    /// break of that style. The document's style is that of the first break (lineBreak when there
    /// is none). The undo history is cleared.
    void setRawText(QStringView raw, LineBreak lineBreak);
    /// Replaces everything with the text of a snapshot, every break in its style; its leaves are
    /// shared, not copied. The undo history is cleared.
    void setSnapshot(const Snapshot& snapshot);
    /// The same piece by piece, for a load: beginRaw, appendRaw for each piece, finishRaw. A "\r"
    /// at the end of one piece and "\n" at the start of the next make one break.
    void beginRaw(LineBreak lineBreak);
    void appendRaw(QStringView raw);
    /// Appends the text of another store read the same way (finished, after a line break of this
    /// one), its leaves moved, each break keeping its style; other is left empty. For a file read
    /// in two parts at once.
    void appendStore(TextStore&& other);
    void finishRaw();
    /// Whether the text read so far may be handed on as it stands: it ends neither in a "\r"
    /// the next piece's "\n" would join, nor inside a surrogate pair.
    bool endsWhole() const;
    /// Appends the next part of a file that is read while this store is shown (finished, read
    /// on from where this one ends; see endsWhole), its leaves moved. The line watcher is told;
    /// the undo history is left alone, as the text was there all along.
    void appendRead(TextStore&& part);

    qsizetype length() const { return length_; }
    qsizetype lineCount() const;
    /// The document's style: that of the file's first break, and of every break typed here.
    LineBreak lineBreak() const { return lineBreak_; }
    bool hasMixedBreaks() const;

    QChar at(qsizetype offset) const;
    QString text(qsizetype from, qsizetype count) const;
    QString text() const { return text(0, length_); }

    /// The 0-based line of an offset, and the offset where a line starts; its length without
    /// its break.
    qsizetype lineOf(qsizetype offset) const;
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineLength(qsizetype line) const;
    /// A line's text without its break: a view into the store when the line lies in one leaf,
    /// else a copy in scratch. Valid until the next edit (or the next use of scratch). Reading
    /// lines in order costs their length, not the leaf's.
    QStringView lineText(qsizetype line, QString* scratch) const;

    /// First occurrence of needle at or after from that ends at or before to (-1: the end).
    qsizetype find(QStringView needle, qsizetype from, qsizetype to = -1,
                   Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    /// Edits. '\n' in inserted text is a break in the document's style. A typed insert that
    /// follows the previous typed insert directly joins its undo step.
    void insert(qsizetype offset, QStringView text, bool typed = false);
    void remove(qsizetype offset, qsizetype count);
    void replace(qsizetype offset, qsizetype count, QStringView text);
    /// Replaces count characters at each of offsets (ascending and apart, in the text as it
    /// stands) with text, as one change: a Replace All. The text is rewritten once, leaf by leaf,
    /// and the undo holds where each range was and what it held, text only once.
    void replaceEach(const std::vector<qsizetype>& offsets, qsizetype count, QStringView text);

    /// A new document style for line breaks, as for text that was read with its breaks made
    /// alike: every break of the old style takes the new one.
    void setLineBreak(LineBreak lineBreak);
    /// Every break takes this style, whatever style it had.
    void setEveryLineBreak(LineBreak lineBreak);
    /// The document's style, which breaks typed from now on take; every break there is keeps its
    /// own. For text read back from a copy whose first break need not be in the document's style.
    void setTypedLineBreak(LineBreak lineBreak);
    /// Whether the breaks have more than one style.
    bool mixesLineBreaks() const;
    /// Called after every edit, undo and redo included, with the lines it touched: lines
    /// [firstLine, firstLine + removedLines) became addedLines lines. What keeps per-line
    /// knowledge of the text (the syntax colours) follows edits with it.
    using LineWatcher = std::function<void(qsizetype firstLine, qsizetype removedLines, qsizetype addedLines)>;
    void setLineWatcher(LineWatcher watcher) { lineWatcher_ = std::move(watcher); }

    /// Edits between begin and end make one undo step; groups nest. With joinLast the edits join
    /// the step made last, so work done in several groups is still one step.
    void beginGroup(bool joinLast = false);
    void endGroup();
    /// Undo and redo one step; false when there is none. where is set to the offset of the step's
    /// last change and its length after the step, for the caret.
    bool undo(qsizetype* where = nullptr, qsizetype* length = nullptr);
    bool redo(qsizetype* where = nullptr, qsizetype* length = nullptr);
    /// Undo and redo of a step of Replace All work go in parts, for a window that paints and
    /// offers Cancel between them: startInParts takes the last step (false: there is none, or it
    /// goes at once), applyPart makes its changes while more() says so and tells whether any are
    /// left, and finishInParts moves it to the other list, where and length set as undo and redo
    /// set them; or, cancelled, takes back what was done and leaves the step where it was.
    bool startInParts(bool redo);
    bool applyPart(const std::function<bool()>& more);
    /// How much of the step is done, in thousandths.
    int partsDone() const;
    void finishInParts(bool cancelled, qsizetype* where = nullptr, qsizetype* length = nullptr);
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    void clearUndo();
    void clearRedo() { redo_.clear(); }

    Snapshot snapshot() const;

    /// Where each leaf starts; for tests of the leaf rules and of the seams between leaves.
    const std::vector<qsizetype>& leafStarts() const { return charStart_; }
    /// Checks the running totals and leaf rules; for tests.
    bool isConsistent() const;
    /// The bytes its characters take: one a character in leaves of Latin-1 text, two in others.
    qsizetype heldBytes() const;

private:
    /// The ranges of one replaceEach.
    struct Batch {
        std::vector<qsizetype> at; ///< where each range started before the change
        qsizetype count = 0;       ///< each range's length before it
        QString inserted;          ///< what took each range's place
        /// What the ranges held, one after another; only the first when they all held the same.
        QString removed;
        bool alike = true;
        std::vector<std::pair<qsizetype, LineBreak>> removedUnusual; ///< within removed
        qsizetype shift() const { return inserted.size() - count; }
    };
    /// What a long removal took: its leaves, shared with the text they came from, not copied.
    struct RemovedLeaves {
        std::vector<Leaf> leaves;
        std::vector<qsizetype> breaks;
        qsizetype length = 0;
    };
    struct Change {
        qsizetype offset = 0;
        QString inserted;
        QString removed;
        std::vector<std::pair<int, LineBreak>> removedUnusual; ///< relative to offset
        std::shared_ptr<const RemovedLeaves> removedLeaves; ///< instead of removed, when long
        std::shared_ptr<const Batch> batch; ///< set for a replaceEach; the rest is then unused
        qsizetype removedSize() const { return removedLeaves ? removedLeaves->length : removed.size(); }
        /// Where the change starts, and how long its first range is before and its last after.
        qsizetype firstAt() const { return batch ? batch->at.front() : offset; }
        qsizetype firstRemoved() const { return batch ? batch->count : removedSize(); }
        qsizetype lastAt() const
        {
            return batch ? batch->at.back() + qsizetype(batch->at.size() - 1) * batch->shift() : offset;
        }
        qsizetype lastInserted() const { return batch ? batch->inserted.size() : inserted.size(); }
    };
    struct Step {
        std::vector<Change> changes;
        bool typing = false;
    };

    using Unusual = std::vector<std::pair<int, LineBreak>>;
    void apply(const Change& change, bool forward);
    /// Applies a step of many changes: from the last to the first, the totals of the leaves
    /// behind each change left stale until the end. False (nothing done) when the changes do not
    /// follow one another through the text, as those of a Replace All do.
    bool applyFromTheEnd(const Step& step, bool forward);
    void insertRaw(qsizetype offset, QStringView text, const Unusual& unusual);
    void insertLeaves(qsizetype offset, QStringView text, const Unusual& unusual);
    /// The same for text of more than a leaf: cut straight into leaves of its own.
    void insertManyLeaves(qsizetype offset, QStringView text, const Unusual& unusual);
    /// Puts leaves in at offset, cutting the leaf there in two.
    void spliceLeaves(qsizetype offset, std::vector<Leaf> parts, std::vector<qsizetype> breaks);
    /// The leaves of [offset, offset + count): those inside whole and shared, the ends copied.
    std::shared_ptr<const RemovedLeaves> leavesOf(qsizetype offset, qsizetype count) const;
    void removeRaw(qsizetype offset, qsizetype count, Unusual* unusual);
    void removeLeaves(qsizetype offset, qsizetype count, Unusual* unusual);
    void record(Change change, bool typed);
    /// Where undo and redo put the caret after a step: behind the text the step's end touched.
    static void caretAfter(const Step& step, bool redone, qsizetype* where, qsizetype* length);
    /// The piece that takes the place of range k, and the breaks in it not in the document's style.
    using Piece = std::function<QStringView(size_t k, Unusual* unusual)>;
    /// Rewrites the leaves that ranges touch: range k starts at at[k] + k * stride and is count
    /// long; every piece is pieceLength long. What each range held goes to removed when given.
    void replaceRanges(const std::vector<qsizetype>& at, qsizetype stride, qsizetype count,
                       qsizetype pieceLength, const Piece& piece, Batch* removed);
    void applyBatch(const Batch& batch, bool forward);
    /// The leaf holding offset (the last one for the end) and the offset within it.
    size_t leafAt(qsizetype offset, qsizetype* inLeaf) const;
    void recount(size_t from);
    /// Cuts an oversized leaf into leaves of a good size.
    void splitLeaf(size_t index);
    /// Drops an empty leaf and joins a small one to a neighbour.
    void tidyLeaf(size_t index);
    Leaf& leafWithRoom();
    void appendRun(QStringView run);
    void appendBreak(LineBreak kind);

    std::vector<Leaf> leaves_;
    std::vector<qsizetype> leafBreaks_; ///< breaks in each leaf
    std::vector<qsizetype> charStart_; ///< of each leaf
    std::vector<qsizetype> lineStart_; ///< breaks before each leaf
    qsizetype length_ = 0;
    qsizetype breaks_ = 0;
    LineBreak lineBreak_ = LineBreak::LF;
    bool firstBreakSeen_ = false;
    bool pendingCr_ = false; ///< a load piece ended in "\r"

    // Where lineStart found a line last: its leaf, its number, the break before it in the leaf.
    mutable size_t hintLeaf_ = 0;
    mutable qsizetype hintLine_ = -1;
    mutable qsizetype hintAt_ = -1;
    // The narrow leaf find() widened last, for the next search in it; SIZE_MAX: none.
    mutable size_t widenedLeaf_ = SIZE_MAX;
    mutable QString widened_;
    /// While a long step is applied from the end: the totals are right for leaves up to this
    /// one only (SIZE_MAX: for all).
    size_t validTo_ = SIZE_MAX;

    LineWatcher lineWatcher_;
    std::vector<Step> undo_, redo_;
    struct InParts {
        Step step;
        bool redo = false;
        size_t done = 0; ///< changes made, in the order they are made
        /// The k-th change to make: undo goes from the last change to the first, redo the other way.
        const Change& nth(size_t k) const { return step.changes[redo ? k : step.changes.size() - 1 - k]; }
    };
    std::unique_ptr<InParts> inParts_;
    int groupDepth_ = 0;
    bool groupOpen_ = false;
};

} // namespace platform
