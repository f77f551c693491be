#pragma once

#include "platform/text/TextMatch.h"

#include <QColor>
#include <QMetaObject>
#include <QObject>

class QTextEdit;

namespace platform {

/// The marks of a search's matches in the rich view: those in the paragraphs the view shows,
/// as its extra selections, looked for again when it scrolls or changes size, and gone at the
/// next change of the document. A match never runs from one paragraph into the next, as in the
/// rich document's own search, so each shown paragraph is looked through alone.
class RichMatchMarks : public QObject {
public:
    explicit RichMatchMarks(QTextEdit& view);

    void set(const TextMatcher& matcher, const QColor& color);
    void clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    QTextEdit& view_;
    TextMatcher matcher_;
    QColor color_;
    QMetaObject::Connection edits_;
};

} // namespace platform
