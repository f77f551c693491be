#pragma once

#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include "platform/rtf/RtfPictures.h"

#include <QSize>

class QTextDocument;
class QTextTable;

/// The document's blocks, tables' cells included, joined by "\n"; line breaks stay U+2028.
QString blockText(const QTextDocument& document);
/// A character format as short words: "bold italic ul=1 strike super sub caps font=F pt=12
/// fg=#rrggbb bg=#rrggbb href=H", each only where it applies.
QString describeFormat(const QTextCharFormat& format);
/// A paragraph format as short words: the alignment, then margins in pixels where not zero.
QString describeBlock(const QTextBlockFormat& format);
QList<QTextTable*> topLevelTables(const QTextDocument& document);
/// The table's cells row by row, "|" between cells, "\n" between a cell's paragraphs.
QString tableText(QTextTable* table);
/// White space collapsed to single spaces, ends trimmed, byte-order marks and no-break spaces
/// treated as the spaces they show, pictures' object characters left out.
QString normaliseSpace(QString text);

/// A picture of a document as the reader left it: what it holds and the size it is shown at.
struct ShownPicture {
    platform::rtf::Picture picture;
    QSize size;
    bool operator==(const ShownPicture& o) const
    {
        return picture.keywords == o.picture.keywords && picture.data == o.picture.data && size == o.size;
    }
};
/// Every picture of the document, tables' cells included, in order.
QList<ShownPicture> picturesIn(const QTextDocument& document);
