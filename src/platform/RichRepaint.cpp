#include "platform/RichRepaint.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextTable>
#include <algorithm>
#include <climits>

namespace platform {

namespace {

// A paragraph whose frame cannot change size while it keeps its own: one of the document's
// own, or a cell of a table whose columns do not follow their contents. In a table whose
// columns share the width by their contents, a word typed in one cell can move the others.
bool frameFollowsParagraph(const QTextDocument& doc, const QTextBlock& block)
{
    QTextFrame* frame = doc.frameAt(block.position());
    if (frame == doc.rootFrame())
        return true;
    const auto* table = qobject_cast<QTextTable*>(frame);
    if (!table)
        return false;
    const QList<QTextLength> widths = table->format().columnWidthConstraints();
    if (widths.size() != table->columns())
        return false;
    for (const QTextLength& width : widths) {
        if (width.type() == QTextLength::VariableLength)
            return false;
    }
    return true;
}

} // namespace

RichRepaint::RichRepaint(QTextEdit& view) : QObject(&view), view_(view)
{
    for (QObject* child : view.children()) {
        const int index = child->metaObject()->indexOfSignal("updateRequest(QRectF)");
        if (index >= 0) {
            control_ = child;
            request_ = child->metaObject()->method(index);
            break;
        }
    }
}

void RichRepaint::begin()
{
    route();
    QTextDocument* doc = view_.document();
    const QTextBlock block = view_.textCursor().block();
    // A paragraph with no lines has not been laid out since it last changed (a key repaints
    // all of it then); one that has lines is laid out, or will be for the key, before the view
    // shows its caret.
    if (routed_ != doc->documentLayout() || !block.isValid() || block.layout()->lineCount() == 0
        || !frameFollowsParagraph(*doc, block))
        return;
    Edit edit;
    edit.at = QTextCursor(block);
    edit.before = routed_->blockBoundingRect(block);
    edit.blocks = doc->blockCount();
    edit_ = edit;
    changes_ = connect(doc, &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        if (edit_) {
            edit_->from = std::min(edit_->from, from);
            edit_->to = std::max(edit_->to, from + added);
        }
    });
}

// Setting a document connects its layout's repaints straight to the text control again; they
// come here instead, before each key, and are passed on.
void RichRepaint::route()
{
    QAbstractTextDocumentLayout* layout = view_.document()->documentLayout();
    if (!control_ || !request_.isValid())
        return;
    const bool direct = QObject::disconnect(layout, SIGNAL(update(QRectF)), control_, nullptr);
    if (routed_ == layout)
        return;
    if (!direct)
        return; // the repaints go another way: left as they are
    QObject::disconnect(forwarding_);
    forwarding_ = connect(layout, &QAbstractTextDocumentLayout::update, this, &RichRepaint::forward);
    routed_ = layout;
}

void RichRepaint::forward(const QRectF& rect)
{
    if (control_)
        request_.invoke(control_, Qt::DirectConnection, Q_ARG(QRectF, edit_ ? narrowed(rect) : rect));
}

QRectF RichRepaint::narrowed(const QRectF& rect) const
{
    const QTextDocument* doc = view_.document();
    const QTextBlock block = edit_->at.block();
    if (edit_->to < 0 || doc->blockCount() != edit_->blocks || !block.isValid()
        || edit_->from < block.position() || edit_->to >= block.position() + block.length())
        return rect;
    const QRectF now = routed_->blockBoundingRect(block);
    if (now != edit_->before)
        return rect;
    // The whole width: the paragraph's list mark, border or background may reach beyond its
    // text, and a pixel more above and below for the caret.
    const QRectF strip(0, now.top() - 1, qreal(INT_MAX), now.height() + 2);
    const QRectF both = rect.intersected(strip);
    return both.isEmpty() ? rect : both;
}

} // namespace platform
