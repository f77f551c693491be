#include "platform/rtf/KeptMarkers.h"

#include "platform/rtf/RtfKept.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextDocument>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextObjectInterface>

namespace platform::rtf {

namespace {

class MarkerPainter final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    explicit MarkerPainter(QObject* parent) : QObject(parent) {}

    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override
    {
        const QString label = format.property(KeptLabel).toString();
        const QFontMetricsF text(format.toCharFormat().font());
        if (label.isEmpty())
            return {3, text.ascent()};
        const QFontMetricsF small(labelFont(format));
        return {small.horizontalAdvance(label) + 4, text.ascent()};
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                    const QTextFormat& format) override
    {
        painter->save();
        const QString label = format.property(KeptLabel).toString();
        const QColor ink(0x70, 0x70, 0x90);
        if (label.isEmpty()) {
            painter->fillRect(QRectF(rect.left() + 1, rect.top(), 1, rect.height()), ink);
        } else {
            const QFont font = labelFont(format);
            const QFontMetricsF small(font);
            const QRectF box(rect.left() + 1, rect.top(), rect.width() - 2, small.height());
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(0xE4, 0xE8, 0xF4));
            painter->drawRoundedRect(box, 2, 2);
            painter->setPen(ink);
            painter->setFont(font);
            painter->drawText(box, Qt::AlignCenter, label);
        }
        painter->restore();
    }

private:
    static QFont labelFont(const QTextFormat& format)
    {
        QFont font = format.toCharFormat().font();
        font.setPointSizeF(std::max(5.0, (font.pointSizeF() > 0 ? font.pointSizeF() : 12.0) * 0.65));
        return font;
    }
};

} // namespace

void showKeptMarkers(QTextDocument& document)
{
    if (document.findChild<MarkerPainter*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    document.documentLayout()->registerHandler(kKeptObject, new MarkerPainter(&document));
}

void keepTypingOutOfFieldEnds(QTextEdit& edit)
{
    QObject::connect(&edit, &QTextEdit::cursorPositionChanged, &edit, [&edit] {
        const QTextCursor at = edit.textCursor();
        qint64 field = 0;
        if (at.hasSelection() || at.atBlockStart() || !keptFieldOf(at.charFormat(), nullptr, &field))
            return;
        QTextCursor after = at;
        qint64 next = 0;
        if (after.movePosition(QTextCursor::NextCharacter) && !after.atBlockStart() &&
            keptFieldOf(after.charFormat(), nullptr, &next) && next == field)
            return;   // inside the result
        QTextCharFormat format = at.charFormat();
        for (int property : {KeptFieldRtf, KeptFieldFonts, KeptFieldColours, KeptFieldId})
            format.clearProperty(property);
        edit.setCurrentCharFormat(format);
    });
}

} // namespace platform::rtf

#include "KeptMarkers.moc"
