#include "tst_rtf.h"

#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "rtf_test_support.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>

using platform::rtf::RtfReader;
using platform::rtf::RtfWriter;

namespace {

QTextCharFormat runFormat(const QString& family, qreal points)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    format.setFontPointSize(points);
    return format;
}

// Each block as its alignment and its runs (format words and text), adjacent runs of one format
// merged: what a reader of the document sees.
QStringList describeDocument(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = u"["_qs + describeBlock(block.blockFormat()) + u"]"_qs;
        QString lastFormat;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString format = describeFormat(it.fragment().charFormat());
            if (format != lastFormat)
                line += u" <"_qs + format + u">"_qs;
            line += it.fragment().text();
            lastFormat = format;
        }
        lines << line;
    }
    return lines;
}

} // namespace

void tst_rtf::writesHeaderAndTables()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat red = runFormat(u"DejaVu Serif"_qs, 12);
    red.setForeground(QColor(255, 0, 0));
    cursor.insertText(u"Red"_qs, red);
    QTextTable* table = cursor.insertTable(2, 2);
    table->cellAt(1, 1).firstCursorPosition().insertText(u"d"_qs);

    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
    QVERIFY(rtf.contains("{\\fonttbl{\\f0"));
    QVERIFY(rtf.contains(" DejaVu Serif;}"));
    QVERIFY(rtf.contains("{\\colortbl;\\red255\\green0\\blue0;}"));
    QVERIFY(rtf.contains("\\cf1 Red}"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QCOMPARE(rtf.count("\\trowd"), 4);   // before each row and again at its end
    QCOMPARE(rtf.count("\\cell\n"), 4);
    QCOMPARE(rtf.count("\\row"), 2);
    QCOMPARE(rtf.count("\\cellx"), 8);
    QCOMPARE(rtf.count('{'), rtf.count('}'));
}

void tst_rtf::writesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("ascii as itself") << u"Plain text 123 ~!"_qs << QByteArray(" Plain text 123 ~!");
    QTest::newRow("special characters escaped") << u"a{b}c\\"_qs << QByteArray("a\\{b\\}c\\\\");
    QTest::newRow("latin letter as unicode") << u"é"_qs << QByteArray("\\u233?");
    QTest::newRow("values over 32767 are negative") << u"\uFF21"_qs << QByteArray("\\u-223?");
    QTest::newRow("beyond the BMP as two surrogates")
        << u"\U0001F600"_qs << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("tab") << u"a\tb"_qs << QByteArray("a\\tab b");
    QTest::newRow("line break") << u"a\u2028b"_qs << QByteArray("a\\line b");
    QTest::newRow("no-break space") << u"a\u00A0b"_qs << QByteArray("a\\~b");
}

void tst_rtf::writesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QTextDocument document;
    QTextCursor(&document).insertText(text, runFormat(u"Sans"_qs, 12));
    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY2(rtf.contains(written), rtf.constData());
    for (char c : rtf)
        QVERIFY2((c >= 0x20 && c < 0x7F) || c == '\n', "RTF must be 7-bit text");
    QCOMPARE(blockText(*readRtf(rtf)), text);
}

void tst_rtf::writesFormats()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format = runFormat(u"Sans"_qs, 18);
    format.setFontWeight(QFont::Bold);
    format.setFontItalic(true);
    format.setFontUnderline(true);
    format.setFontStrikeOut(true);
    format.setBackground(QColor(0, 0, 255));
    cursor.insertText(u"all"_qs, format);
    const Qt::Alignment aligns[] = {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    for (Qt::Alignment align : aligns) {
        QTextBlockFormat block;
        block.setAlignment(align);
        cursor.insertBlock(block);
        cursor.insertText(u"x"_qs);
    }
    const QByteArray rtf = RtfWriter::write(document);
    QVERIFY(rtf.contains("\\fs36\\b\\i\\ul\\strike\\highlight1 all}"));
    QVERIFY(rtf.contains("\\ql "));
    QVERIFY(rtf.contains("\\qc "));
    QVERIFY(rtf.contains("\\qr "));
    QVERIFY(rtf.contains("\\qj "));
}

void tst_rtf::roundTripsRandomDocuments()
{
    QRandomGenerator random(20261206);
    const QStringList families = {u"DejaVu Sans"_qs, u"DejaVu Serif"_qs, u"Liberation Mono"_qs,
                                  u"Noto Sans CJK JP"_qs, u"Ünïcode Fönt"_qs};
    const qreal sizes[] = {8, 9, 10.5, 12, 14, 18, 24, 36, 72};
    const QString alphabet =
        u"abcdefghijklmnopqrstuvwxyz ABCXYZ 0123456789 .,;:!?-_'\"{}\\~@#$%^&*()[]<>/|"
        u"\u00e9\u00fc\u00df\u00f1\u00a0\u00ad\u2011\u0416\u03a9\u05d0\u0627\u4e2d\u65e5\u3042"
        u"\uac00\u20ac\u2014\u201c\u2022\t\u2028\uFF21\uFFFD"_qs;
    const QStringList astral = {u"\U0001F600"_qs, u"\U00020BB7"_qs, u"\U0001D11E"_qs};
    const QTextCharFormat::UnderlineStyle underlines[] = {
        QTextCharFormat::NoUnderline, QTextCharFormat::SingleUnderline,
        QTextCharFormat::DashUnderline, QTextCharFormat::DotLine, QTextCharFormat::WaveUnderline};
    const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                    Qt::AlignJustify};

    for (int round = 0; round < 60; ++round) {
        QTextDocument document;
        QTextCursor cursor(&document);
        const int blocks = 1 + random.bounded(8);
        for (int b = 0; b < blocks; ++b) {
            QTextBlockFormat block;
            block.setAlignment(aligns[random.bounded(4)]);
            if (random.bounded(3) == 0) {
                block.setLeftMargin(random.bounded(100));
                block.setTextIndent(random.bounded(60) - 30);
                block.setBottomMargin(random.bounded(20));
            }
            if (b == 0)
                cursor.setBlockFormat(block);
            else
                cursor.insertBlock(block);
            const int runs = random.bounded(6);
            for (int r = 0; r < runs; ++r) {
                QTextCharFormat format = runFormat(families[random.bounded(families.size())],
                                                   sizes[random.bounded(9)]);
                format.setFontWeight(random.bounded(2) ? QFont::Bold : QFont::Normal);
                format.setFontItalic(random.bounded(2));
                format.setUnderlineStyle(underlines[random.bounded(5)]);
                format.setFontStrikeOut(random.bounded(4) == 0);
                if (random.bounded(3) == 0)
                    format.setForeground(QColor::fromRgb(random.generate() & 0xFFFFFF));
                if (random.bounded(5) == 0)
                    format.setBackground(QColor::fromRgb(random.generate() & 0xFFFFFF));
                if (random.bounded(8) == 0)
                    format.setVerticalAlignment(random.bounded(2) ? QTextCharFormat::AlignSuperScript
                                                                  : QTextCharFormat::AlignSubScript);
                if (random.bounded(10) == 0) {
                    format.setAnchor(true);
                    format.setAnchorHref(u"https://example.org/p?q="_qs + QString::number(r));
                }
                QString text;
                const int length = 1 + random.bounded(20);
                for (int i = 0; i < length; ++i)
                    text += random.bounded(30) == 0 ? astral[random.bounded(3)]
                                                    : QString(alphabet[random.bounded(alphabet.size())]);
                cursor.insertText(text, format);
            }
        }

        const QByteArray rtf = RtfWriter::write(document);
        const auto reread = readRtf(rtf);
        QCOMPARE(reread->toPlainText(), document.toPlainText());
        const QStringList expected = describeDocument(document);
        const QStringList actual = describeDocument(*reread);
        if (actual != expected)
            qWarning().noquote() << "round" << round << "\n" << rtf;
        QCOMPARE(actual, expected);
        // Writing what was read gives the same bytes: nothing drifts from one save to the next.
        QCOMPARE(RtfWriter::write(*reread), rtf);
    }
}

void tst_rtf::roundTripsTables()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(u"Before"_qs, runFormat(u"Sans"_qs, 12));
    QTextTableFormat tableFormat;
    tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 100),
                                           QTextLength(QTextLength::FixedLength, 150),
                                           QTextLength(QTextLength::FixedLength, 80)});
    QTextTable* table = cursor.insertTable(2, 3, tableFormat);
    QTextCharFormat bold = runFormat(u"Sans"_qs, 12);
    bold.setFontWeight(QFont::Bold);
    table->cellAt(0, 0).firstCursorPosition().insertText(u"Bold {cell}"_qs, bold);
    QTextCursor multi = table->cellAt(0, 1).firstCursorPosition();
    multi.insertText(u"first"_qs);
    multi.insertBlock();
    multi.insertText(u"second \u65e5\u672c"_qs);
    QTextCursor nestedAt = table->cellAt(1, 2).firstCursorPosition();
    nestedAt.insertText(u"outer"_qs);
    QTextTable* nested = nestedAt.insertTable(1, 2);
    nested->cellAt(0, 0).firstCursorPosition().insertText(u"n1"_qs);
    nested->cellAt(0, 1).firstCursorPosition().insertText(u"n2"_qs);
    table->cellAt(1, 0).firstCursorPosition().insertText(u"wide"_qs);
    table->mergeCells(1, 0, 1, 2);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(u"After"_qs);

    const auto reread = readRtf(RtfWriter::write(document));
    QCOMPARE(reread->toPlainText(), document.toPlainText());
    const QList<QTextTable*> tables = topLevelTables(*reread);
    QCOMPARE(tables.size(), 1);
    QTextTable* read = tables[0];
    QCOMPARE(read->rows(), 2);
    QCOMPARE(read->columns(), 3);
    QCOMPARE(tableText(read), tableText(table));
    QCOMPARE(read->cellAt(1, 1).column(), 0);
    QCOMPARE(read->cellAt(1, 1).columnSpan(), 2);
    const QList<QTextLength> widths = read->format().columnWidthConstraints();
    QCOMPARE(widths.size(), 3);
    QCOMPARE(widths[1].rawValue(), 150.0);
    QVERIFY(read->cellAt(0, 0).firstCursorPosition().charFormat().fontWeight() == QFont::Bold ||
            describeFormat(reread->find(u"Bold"_qs).charFormat()).startsWith(u"bold"_qs));
    const QList<QTextFrame*> inner = read->childFrames();
    QCOMPARE(inner.size(), 1);
    auto* readNested = qobject_cast<QTextTable*>(inner[0]);
    QVERIFY(readNested);
    QCOMPARE(tableText(readNested), u"n1|n2"_qs);
    QCOMPARE(reread->lastBlock().text(), u"After"_qs);
}
