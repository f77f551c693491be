#include "platform/RichCopyInSteps.h"

#include "platform/StepsWithProgress.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <algorithm>

namespace platform {

namespace {

int startOf(const QTextFrame::iterator& item)
{
    if (QTextFrame* frame = item.currentFrame())
        return frame->firstPosition() - 1; // the mark that opens it
    return item.currentBlock().position();
}

bool inList(const QTextFrame::iterator& item)
{
    return !item.currentFrame() && item.currentBlock().textList();
}

} // namespace

RichCopyInSteps::RichCopyInSteps(const QTextDocument& source, int pieceChars)
    : source_(source), pieceChars_(pieceChars), copy_(std::make_unique<QTextDocument>()), next_(source.rootFrame()->begin())
{
    // What the document holds beside its paragraphs: its font, indent and what was kept of its
    // file's RTF.
    copy_->setUndoRedoEnabled(false);
    copy_->setDefaultFont(source.defaultFont());
    copy_->setIndentWidth(source.indentWidth());
    copy_->setDocumentMargin(source.documentMargin());
    copy_->setDefaultTextOption(source.defaultTextOption());
    copy_->setMetaInformation(QTextDocument::DocumentTitle,
                              source.metaInformation(QTextDocument::DocumentTitle));
    copy_->rootFrame()->setFrameFormat(source.rootFrame()->frameFormat());
    end_ = QTextCursor(copy_.get());
    // A piece that starts the copy with an empty paragraph brings no format along for it.
    end_.setBlockFormat(source.begin().blockFormat());
    end_.setBlockCharFormat(source.begin().charFormat());
}

RichCopyInSteps::~RichCopyInSteps() = default;

bool RichCopyInSteps::step(StepBudget& budget)
{
    const int last = source_.characterCount() - 1;
    while (!next_.atEnd() && budget.more()) {
        const int from = startOf(next_);
        // A piece ends before a paragraph or table once it holds enough to be worth its own
        // fragment, never inside a list: a list split in two pieces would be two lists in the copy.
        do {
            if (QTextList* list = next_.currentFrame() ? nullptr : next_.currentBlock().textList())
                listsUntil_ = std::max(listsUntil_, list->item(list->count() - 1).position());
            ++next_;
        } while (!next_.atEnd()
                 && (startOf(next_) - from < pieceChars_ || startOf(next_) <= listsUntil_ || inList(next_)));
        // Each piece takes the break after it along, so that the next begins a paragraph of its
        // own in the copy.
        QTextCursor piece(const_cast<QTextDocument*>(&source_));
        piece.setPosition(from);
        piece.setPosition(next_.atEnd() ? last : startOf(next_), QTextCursor::KeepAnchor);
        end_.movePosition(QTextCursor::End);
        end_.insertFragment(QTextDocumentFragment(piece));
    }
    return next_.atEnd();
}

int RichCopyInSteps::permille() const
{
    if (next_.atEnd())
        return 1000;
    return int(1000.0 * startOf(next_) / std::max(1, source_.characterCount()));
}

std::unique_ptr<QTextDocument> RichCopyInSteps::take()
{
    copy_->setUndoRedoEnabled(true);
    copy_->setModified(false);
    end_ = QTextCursor();
    return std::move(copy_);
}

} // namespace platform
