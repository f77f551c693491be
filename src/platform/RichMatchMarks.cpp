#include "platform/RichMatchMarks.h"

#include "platform/rtf/ParagraphPieces.h"

#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

namespace platform {

RichMatchMarks::RichMatchMarks(QTextEdit& view) : QObject(&view), view_(view)
{
    connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this, &RichMatchMarks::refresh);
    connect(view.horizontalScrollBar(), &QScrollBar::valueChanged, this, &RichMatchMarks::refresh);
    view.viewport()->installEventFilter(this);
}

void RichMatchMarks::set(const TextMatcher& matcher, const QColor& color)
{
    matcher_ = matcher;
    color_ = color;
    disconnect(edits_);
    if (!matcher_.isEmpty())
        edits_ = connect(view_.document(), &QTextDocument::contentsChange, this, &RichMatchMarks::clear);
    refresh();
}

void RichMatchMarks::clear()
{
    set(TextMatcher(), color_);
}

bool RichMatchMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && !matcher_.isEmpty())
        refresh();
    return QObject::eventFilter(watched, event);
}

void RichMatchMarks::refresh()
{
    QList<QTextEdit::ExtraSelection> marks;
    if (!matcher_.isEmpty()) {
        const QWidget* port = view_.viewport();
        const int from = view_.cursorForPosition(QPoint(0, 0)).position();
        const int to = view_.cursorForPosition(QPoint(port->width(), port->height())).position();
        const qsizetype n = matcher_.length();
        QTextDocument* doc = view_.document();
        const auto mark = [&](qsizetype at, qsizetype length) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = QTextCursor(doc);
            mark.cursor.setPosition(int(at));
            mark.cursor.setPosition(int(at + length), QTextCursor::KeepAnchor);
            mark.format.setBackground(color_);
            marks.append(mark);
        };
        for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
            const QString text = b.text();
            // Only the shown part of a long paragraph, and what a match that shows needs around it.
            const qsizetype first = std::max<qsizetype>(0, from - b.position() - n + 1);
            const qsizetype last = std::min<qsizetype>(text.size() - n + 1, to - b.position() + 1);
            if (first >= last)
                continue;
            const qsizetype lo = std::max<qsizetype>(0, first - 1), hi = std::min(text.size(), last + n);
            matcher_.forEach(QStringView(text).sliced(lo, hi - lo), lo, first, last, [&](qsizetype at) {
                mark(b.position() + at, n);
                return true;
            });
        }
        // A long paragraph is held in pieces: the matches over each join shown.
        for (QTextBlock b = doc->findBlock(std::max(0, from - int(n))); b.isValid() && b.position() <= to; b = b.next()) {
            if (!joinsNext(b))
                continue;
            const QString left = b.text().right(n);
            const QString around = left + b.next().text().left(n);
            const qsizetype start = b.position() + b.length() - 1 - left.size();
            matcher_.forEach(around, 0, std::max<qsizetype>(0, left.size() - n + 1), left.size(), [&](qsizetype at) {
                mark(start + at, n + 1); // the join's separator inside
                return true;
            });
        }
    }
    if (!marks.isEmpty() || !view_.extraSelections().isEmpty())
        view_.setExtraSelections(marks);
}

} // namespace platform
