#include "rtf_test_support.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

QString blockText(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        blocks << block.text();
    return blocks.join(u'\n');
}

QString describeFormat(const QTextCharFormat& format)
{
    QStringList words;
    if (format.fontWeight() >= QFont::Bold)
        words << u"bold"_qs;
    if (format.fontItalic())
        words << u"italic"_qs;
    if (format.underlineStyle() != QTextCharFormat::NoUnderline)
        words << u"ul="_qs + QString::number(format.underlineStyle());
    if (format.fontStrikeOut())
        words << u"strike"_qs;
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        words << u"super"_qs;
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        words << u"sub"_qs;
    if (format.fontCapitalization() == QFont::AllUppercase)
        words << u"caps"_qs;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        words << u"font="_qs + families.front();
    if (format.fontPointSize() > 0)
        words << u"pt="_qs + QString::number(format.fontPointSize());
    if (format.foreground().style() != Qt::NoBrush)
        words << u"fg="_qs + format.foreground().color().name();
    if (format.background().style() != Qt::NoBrush)
        words << u"bg="_qs + format.background().color().name();
    if (format.isAnchor())
        words << u"href="_qs + format.anchorHref();
    return words.join(u' ');
}

QString describeBlock(const QTextBlockFormat& format)
{
    QStringList words;
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    words << (align == Qt::AlignHCenter   ? u"center"_qs
              : align == Qt::AlignRight   ? u"right"_qs
              : align == Qt::AlignJustify ? u"justify"_qs
                                          : u"left"_qs);
    const struct {
        const char16_t* name;
        qreal value;
    } margins[] = {{u"left=", format.leftMargin()},   {u"right=", format.rightMargin()},
                   {u"first=", format.textIndent()},  {u"before=", format.topMargin()},
                   {u"after=", format.bottomMargin()}};
    for (const auto& [name, value] : margins)
        if (value != 0)
            words << QString::fromUtf16(name) + QString::number(value);
    if (format.layoutDirection() == Qt::RightToLeft)
        words << u"rtl"_qs;
    return words.join(u' ');
}

QList<QTextTable*> topLevelTables(const QTextDocument& document)
{
    QList<QTextTable*> tables;
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame))
            tables << table;
    return tables;
}

QString tableText(QTextTable* table)
{
    QStringList cells;
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            QStringList blocks;
            const QTextTableCell cell = table->cellAt(r, c);
            for (auto it = cell.begin(); !it.atEnd(); ++it)
                if (!it.currentFrame())
                    blocks << it.currentBlock().text();
            cells << blocks.join(u'\n');
        }
    }
    return cells.join(u'|');
}

QString normaliseSpace(QString text)
{
    text.replace(QChar(0xFEFF), u' ');
    text.replace(QChar::Nbsp, u' ');
    text.remove(QChar::ObjectReplacementCharacter);   // pictures, which text leaves out
    return text.simplified();
}

QList<ShownPicture> picturesIn(const QTextDocument& document)
{
    QList<ShownPicture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            ShownPicture shown;
            if (!platform::rtf::pictureOf(it.fragment().charFormat(), &shown.picture))
                continue;
            const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            shown.size = QSize(int(image.width()), int(image.height()));
            for (int i = 0; i < it.fragment().length(); ++i)
                pictures << shown;
        }
    }
    return pictures;
}
