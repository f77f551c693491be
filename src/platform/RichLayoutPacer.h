#pragma once

#include <QBasicTimer>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QSizeF>

class QAbstractTextDocumentLayout;
class QTextDocument;
class QWidget;

namespace platform {

/// Lays a rich document out behind its view a few milliseconds at a time.
///
/// Qt's document layout lays out what is shown at once and the rest in idle steps that double up
/// to 200,000 characters: over half a second of a frozen window for a long table. The pacer takes
/// those steps over and cuts them to a few milliseconds each. Going far into a document not yet
/// laid out (Ctrl+End, a match near the end) needs the lines before it; layOutTo() lays them out
/// in steps too, under a progress window once that takes a moment.
class RichLayoutPacer final : public QObject {
public:
    explicit RichLayoutPacer(QTextDocument& doc, QObject* parent = nullptr);

    /// Whether every line before position is laid out, so that going there costs nothing.
    bool isLaidOutTo(int position);
    /// Lays the document out up to position, with progress showing label over parent once it
    /// takes a moment. False when the user cancelled: then the layout goes on behind the view.
    bool layOutTo(int position, QWidget* parent, const QString& label);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    /// The id of the layout's idle-step timer while it runs, else 0.
    int layoutStepTimer() const;
    /// Whether the layout has lines left to lay out behind the view.
    bool layoutPending() const;
    /// Forgets how far the layout came when the document changed under it.
    void noticeChanges();
    /// Lays out the next stretch: a few thousand characters, or one paragraph or table part.
    void stepOnce();
    int end() const;

    QPointer<QTextDocument> doc_;
    QPointer<QAbstractTextDocumentLayout> layout_;
    QBasicTimer tick_;
    int ownTimerId_ = 0; // the layout's idle-step timer, once seen
    bool resting_ = false; // the tick waits after an edit
    int laidOut_ = 0;    // every line before this position is laid out
    QSizeF pageSize_;    // what the layout was laid out for
    QFont font_;
};

} // namespace platform
