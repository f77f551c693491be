#include "platform/text/PlainViewAccessible.h"

#include "platform/text/PlainView.h"

#include <QAccessibleWidget>
#include <algorithm>

namespace platform {

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

} // namespace

// What a screen reader reads: the text, the caret and the selection, by character, word or line.

class PlainViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PlainViewAccessible(PlainView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.focusable = true;
        return s;
    }

    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index == 0 && view()->hasSelection()) {
            *start = int(view()->selectionStart());
            *end = int(view()->selectionEnd());
        }
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { view()->setSelection(start, end); }
    void removeSelection(int) override { view()->setSelection(view()->position(), view()->position()); }
    void setSelection(int, int start, int end) override { view()->setSelection(start, end); }
    int cursorPosition() const override { return int(view()->position()); }
    void setCursorPosition(int position) override { view()->setSelection(position, position); }
    QString text(int start, int end) const override
    {
        const TextStore& s = view()->store();
        start = std::clamp<int>(start, 0, int(s.length()));
        end = std::clamp<int>(end, start, int(s.length()));
        return s.text(start, end - start);
    }
    int characterCount() const override { return int(view()->store().length()); }
    QRect characterRect(int offset) const override
    {
        const QRect r = view()->characterRect(offset);
        if (r.isEmpty())
            return r;
        return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return int(view()->offsetAt(view()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int) override
    {
        const qsizetype a = view()->anchor(), p = view()->position();
        view()->setSelection(start, start);
        view()->ensureCaretVisible();
        view()->setSelection(a, p);
    }
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return QString();
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        const TextStore& s = view()->store();
        const qsizetype n = s.length();
        offset = std::clamp<int>(offset, 0, int(n));
        qsizetype from = offset, to = offset;
        switch (type) {
        case QAccessible::CharBoundary:
            to = std::min(n, from + 1);
            if (to < n && s.at(from).isHighSurrogate())
                ++to;
            break;
        case QAccessible::WordBoundary:
            from = offset;
            while (from > 0 && isWordChar(s.at(from - 1)))
                --from;
            to = offset;
            while (to < n && isWordChar(s.at(to)))
                ++to;
            break;
        case QAccessible::NoBoundary:
            from = 0;
            to = n;
            break;
        default: { // lines, sentences and paragraphs: the line with its break
            const qsizetype line = s.lineOf(offset);
            from = s.lineStart(line);
            to = std::min(n, from + s.lineLength(line) + 1);
            break;
        }
        }
        *start = int(from);
        *end = int(to);
        return s.text(from, to - from);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        textAtOffset(offset, type, &s, &e);
        if (s <= 0) {
            *start = *end = 0;
            return QString();
        }
        return textAtOffset(s - 1, type, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override
    {
        int s = 0, e = 0;
        textAtOffset(offset, type, &s, &e);
        if (e >= characterCount() || e <= offset) {
            *start = *end = characterCount();
            return QString();
        }
        return textAtOffset(e, type, start, end);
    }

private:
    PlainView* view() const { return static_cast<PlainView*>(widget()); }
};

namespace {

QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    if (className == QLatin1String("platform::PlainView") && object && object->isWidgetType())
        return new PlainViewAccessible(static_cast<PlainView*>(object));
    return nullptr;
}

} // namespace

void installPlainViewAccessible()
{
    static const bool installed = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(installed);
}

} // namespace platform
