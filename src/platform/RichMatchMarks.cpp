#include "platform/RichMatchMarks.h"

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
        for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
            const QString text = b.text();
            // Only the shown part of a long paragraph, and what a match that shows needs around it.
            const qsizetype first = std::max<qsizetype>(0, from - b.position() - n + 1);
            const qsizetype last = std::min<qsizetype>(text.size() - n + 1, to - b.position() + 1);
            if (first >= last)
                continue;
            const qsizetype lo = std::max<qsizetype>(0, first - 1), hi = std::min(text.size(), last + n);
            matcher_.forEach(QStringView(text).sliced(lo, hi - lo), lo, first, last, [&](qsizetype at) {
                QTextEdit::ExtraSelection mark;
                mark.cursor = QTextCursor(doc);
                mark.cursor.setPosition(int(b.position() + at));
                mark.cursor.setPosition(int(b.position() + at + n), QTextCursor::KeepAnchor);
                mark.format.setBackground(color_);
                marks.append(mark);
                return true;
            });
        }
    }
    if (!marks.isEmpty() || !view_.extraSelections().isEmpty())
        view_.setExtraSelections(marks);
}

} // namespace platform
