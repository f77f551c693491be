#pragma once

#include <QTextCursor>
#include <QTextFrame>
#include <memory>

class QTextDocument;

namespace platform {

class StepBudget;

/// A copy of a rich document made a few paragraphs at a time, so that the window keeps handling
/// its events while a big one is copied. A table, and a list with every paragraph up to its
/// last, go into the copy in one piece, so the copy writes as RTF just as the document does. The
/// document must not change while the copy is made; the copy belongs to the thread that made it.
class RichCopyInSteps {
public:
    /// Copies in pieces of about pieceChars characters (a table or list may make one longer).
    explicit RichCopyInSteps(const QTextDocument& source, int pieceChars = 16 * 1024);
    ~RichCopyInSteps();

    /// Copies on while the budget allows (a piece is one unit); true once the copy is whole.
    bool step(StepBudget& budget);
    /// How far the copy has come, in thousandths of the document.
    int permille() const;
    /// The whole copy, once step() said so.
    std::unique_ptr<QTextDocument> take();

private:
    const QTextDocument& source_;
    const int pieceChars_;
    std::unique_ptr<QTextDocument> copy_;
    QTextCursor end_;
    QTextFrame::iterator next_;
    int listsUntil_ = -1; ///< where the last paragraph of a list begun in the copy lies
};

} // namespace platform
