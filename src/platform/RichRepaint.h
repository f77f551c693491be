#pragma once

#include <QMetaMethod>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QTextCursor>
#include <climits>
#include <optional>

class QAbstractTextDocumentLayout;
class QTextEdit;

namespace platform {

/// What the rich view repaints after a key. Qt repaints everything from a changed table down
/// to the bottom of the view, painting every shown cell again, each found by a search through
/// the whole document: in a long table that is most of a key's time. A key that leaves its
/// paragraph where it was, as wide and as high, changed nothing outside it; only that strip of
/// the view is repainted then.
class RichRepaint : public QObject {
public:
    explicit RichRepaint(QTextEdit& view);

    /// Runs key, which may edit the caret's paragraph.
    template <class Key>
    void aroundKey(Key&& key)
    {
        begin();
        key();
        edit_.reset();
        QObject::disconnect(changes_);
    }

private:
    struct Edit {
        QTextCursor at;   ///< in the caret's paragraph, following it through the edit
        QRectF before;    ///< where the paragraph was
        int blocks = 0;   ///< how many paragraphs the document had
        int from = INT_MAX; ///< what the edit changed so far, in the document as it is now
        int to = -1;        ///< (none yet while negative)
    };

    void begin();
    void route();
    void forward(const QRectF& rect);
    QRectF narrowed(const QRectF& rect) const;

    QTextEdit& view_;
    QPointer<QObject> control_;   ///< the view's text control, which the layout's repaints go to
    QMetaMethod request_;         ///< its repaint request
    QPointer<QAbstractTextDocumentLayout> routed_;
    QMetaObject::Connection forwarding_;
    QMetaObject::Connection changes_;
    std::optional<Edit> edit_;
};

} // namespace platform
