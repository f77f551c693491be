// Long lines shown in pieces, long rich paragraphs kept whole, and files loaded with a progress
// window.
#include "platform/AppError.h"
#include "platform/DocumentFiles.h"
#include "platform/LongLines.h"
#include "platform/RichTextBox.h"
#include "platform/rtf/LongRuns.h"
#include "platform/rtf/RtfReader.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

using platform::RichTextBox;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Words "w0 w1 w2 ..." up to about the given length, so piece ends fall at spaces.
QString words(qsizetype length)
{
    QString s;
    for (int i = 0; s.size() < length; ++i)
        s += QStringLiteral("w%1 ").arg(i);
    return s;
}

// The text offset where the first piece of the box's document ends.
qsizetype firstBreak(const RichTextBox& box)
{
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        if (platform::continuesLine(b))
            return b.position() - 1;
    }
    return -1;
}

void press(RichTextBox& box, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(box.hwnd(), key, mods);
}

} // namespace

class tst_largefiles : public QObject {
    Q_OBJECT
private slots:
    void longLinesKeepEveryByte_data();
    void longLinesKeepEveryByte();
    void offsetsSelectionAndUndoAcrossPieces();
    void findSpansPieceBoundaries();
    void replacingEveryMatchInOneStepKeepsOffsets();
    void keysActAsIfTheLineWereWhole();
    void pastedLongLineIsSplitAndAlignedWhole();
    void bigFileShowsProgressAndCancelKeepsOldText();
    void richParagraphWithoutBreaksIsOneParagraphReadBesideAndSavedWhole();
    void viewWrapsAnywhereOnlyForLongRuns_data();
    void viewWrapsAnywhereOnlyForLongRuns();
};

void tst_largefiles::longLinesKeepEveryByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray line = words(40000).toUtf8();
    QTest::addColumn<bool>("rich");
    QTest::newRow("one line") << line << true;
    QTest::newRow("between short lines, CRLF")
        << QByteArray("first\r\n") + line + "\r\nlast\r\n" + line << true;
    // No spaces: pieces end at the length limit, never inside a surrogate pair.
    QByteArray emoji;
    for (int i = 0; i < 20000; ++i)
        emoji += i % 7 == 0 ? "x" : "\xF0\x9F\x98\x80";
    QTest::newRow("surrogate pairs") << emoji << true;
    // A binary file without line breaks: every byte value, read as legacy text.
    QByteArray binary;
    QRandomGenerator random(7);
    for (int i = 0; i < 50000; ++i) {
        const char c = char(random.bounded(256));
        binary += (c == '\n' || c == '\r') ? 'x' : c;
    }
    binary[0] = '\xFF';
    QTest::newRow("binary") << binary << false; // control characters have no place in RTF
}

void tst_largefiles::longLinesKeepEveryByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, rich);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    writeBytes(in, bytes);
    RichTextBox box;
    box.LoadFile(in);
    QVERIFY2(box.document()->blockCount() > 3, "long lines are shown in pieces");
    QCOMPARE(box.Text().count(u'\n'), bytes.count('\n'));
    QCOMPARE(box.TextLength(), box.Text().size());

    const QString plain = dir.filePath(QStringLiteral("out.txt"));
    box.SaveFile(plain, RichTextBox::PlainText);
    QCOMPARE(readBytes(plain), bytes);

    if (!rich)
        return;
    // As rich text a line stays one paragraph.
    const QString richPath = dir.filePath(QStringLiteral("out.rtf"));
    box.SaveFile(richPath, RichTextBox::RichText);
    RichTextBox again;
    again.LoadFile(richPath);
    QCOMPARE(again.Text(), box.Text());
}

void tst_largefiles::offsetsSelectionAndUndoAcrossPieces()
{
    RichTextBox box;
    const QString text = QStringLiteral("head\n") + words(30000) + QStringLiteral("\ntail");
    box.setSelText(text);
    box.document()->clearUndoRedoStacks();
    QCOMPARE(box.Text(), text);
    const qsizetype at = firstBreak(box);
    QVERIFY(at > 5);

    // A selection across the boundary reads and replaces the text around it.
    box.setSelStart(at - 3);
    QCOMPARE(box.SelStart(), at - 3);
    box.setSelLength(6);
    QCOMPARE(box.SelLength(), 6);
    QCOMPARE(box.SelText(), text.mid(at - 3, 6));
    box.setSelText(QStringLiteral("<>"));
    QString expected = text;
    expected.replace(at - 3, 6, QStringLiteral("<>"));
    QCOMPARE(box.Text(), expected);
    QCOMPARE(box.SelStart(), at - 1);

    // Undo brings the boundary back as a piece break, not as a line break.
    box.document()->undo();
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.TextLength(), text.size());
    box.setSelStart(box.TextLength());
    QCOMPARE(box.SelStart(), text.size());
    box.setSelStart(text.size() + 10);
    QCOMPARE(box.SelStart(), text.size());
}

void tst_largefiles::findSpansPieceBoundaries()
{
    RichTextBox box;
    const QString text = QStringLiteral("needle\n") + words(30000) + QStringLiteral("\nneedle end");
    box.setSelText(text);
    const qsizetype at = firstBreak(box);
    QVERIFY(at > 0);
    // Put a word exactly across the boundary.
    box.setSelStart(at - 2);
    box.setSelLength(4);
    box.setSelText(QStringLiteral(" NEEDLE "));
    const QString now = box.Text();
    const qsizetype across = at - 1;
    QCOMPARE(now.mid(across, 6), QStringLiteral("NEEDLE"));

    QCOMPARE(box.Find(QStringLiteral("needle"), 1), across);
    QCOMPARE(box.SelStart(), across);
    QCOMPARE(box.SelLength(), 6);
    QCOMPARE(box.SelText(), QStringLiteral("NEEDLE"));
    QCOMPARE(box.Find(QStringLiteral("needle"), 1, -1, RichTextBox::MatchCase),
             now.lastIndexOf(QStringLiteral("needle")));
    QCOMPARE(box.Find(QStringLiteral("needle"), across + 1), now.lastIndexOf(QStringLiteral("needle")));
    QCOMPARE(box.Find(QStringLiteral("needle"), 1, across + 5), -1); // ends past the limit
    // Whole words look at the characters on both sides of the boundary.
    const qsizetype inWord = now.indexOf(QStringLiteral("EDLE"));
    const int caseWord = RichTextBox::MatchCase | RichTextBox::WholeWord;
    QCOMPARE(box.Find(QStringLiteral("EDLE"), 1, -1, caseWord), -1);
    QCOMPARE(box.Find(QStringLiteral("EDLE"), 1, -1, RichTextBox::MatchCase), inWord);
    QCOMPARE(box.Find(QStringLiteral("NEEDL"), 1, -1, caseWord), -1);
    QCOMPARE(box.Find(QStringLiteral("NEEDLE"), 1, -1, caseWord), across);
    // A line break never matches inside a line, as in any line.
    QCOMPARE(box.Find(QStringLiteral("needle\nw"), 0), -1);
    QCOMPARE(box.Find(QStringLiteral("nothing"), 0), -1);
}

void tst_largefiles::replacingEveryMatchInOneStepKeepsOffsets()
{
    RichTextBox box;
    const QString text = words(30000) + QStringLiteral("\n") + words(20000);
    box.setSelText(text);
    {
        // As Replace All does: each replacement shifts the pieces after it.
        RichTextBox::EditBlock block(box);
        qsizetype at = box.Find(QStringLiteral("w1"), 0, -1, RichTextBox::MatchCase);
        while (at >= 0) {
            box.setSelText(QStringLiteral("<long replacement>"));
            at = box.Find(QStringLiteral("w1"), box.SelStart(), -1, RichTextBox::MatchCase);
        }
    }
    QString expected = text;
    expected.replace(QStringLiteral("w1"), QStringLiteral("<long replacement>"));
    QCOMPARE(box.Text(), expected);
    QCOMPARE(box.TextLength(), expected.size());
    box.document()->undo();
    QCOMPARE(box.Text(), text);
}

void tst_largefiles::keysActAsIfTheLineWereWhole()
{
    RichTextBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.SetFocus();
    const QString text = words(30000);
    box.setSelText(text);
    const qsizetype at = firstBreak(box);
    QVERIFY(at > 0);

    // Right and Left cross the boundary in one press each.
    box.setSelStart(at - 1);
    press(box, Qt::Key_Right);
    QCOMPARE(box.SelStart(), at);
    press(box, Qt::Key_Right);
    QCOMPARE(box.SelStart(), at + 1);
    press(box, Qt::Key_Left);
    press(box, Qt::Key_Left);
    QCOMPARE(box.SelStart(), at - 1);
    press(box, Qt::Key_Right, Qt::ShiftModifier);
    press(box, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(box.SelText(), text.mid(at - 1, 2));

    // Backspace and Delete at the boundary remove a character of the text.
    QString expected = text;
    box.setSelStart(at);
    QCOMPARE(box.SelLength(), 0);
    press(box, Qt::Key_Backspace);
    expected.remove(at - 1, 1);
    QCOMPARE(box.Text(), expected);
    QCOMPARE(box.SelStart(), at - 1);
    press(box, Qt::Key_Delete);
    expected.remove(at - 1, 1);
    QCOMPARE(box.Text(), expected);

    // Enter inside a piece starts a real line; typing goes where the caret is.
    box.setSelStart(at + 100);
    press(box, Qt::Key_Return);
    QTest::keyClicks(box.hwnd(), QStringLiteral("ab"));
    expected.insert(at + 100, QStringLiteral("\nab"));
    QCOMPARE(box.Text(), expected);
    QCOMPARE(box.SelStart(), at + 103);
    // A copy of the selection made by the view itself has no trace of the pieces.
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
    press(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), expected);
}

void tst_largefiles::pastedLongLineIsSplitAndAlignedWhole()
{
    RichTextBox box;
    box.setSelText(QStringLiteral("short\n"));
    const QString line = words(20000);
    QApplication::clipboard()->setText(line);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.SetFocus();
    QTest::keyClick(box.hwnd(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("short\n") + line);
    QVERIFY(box.document()->blockCount() > 3);

    // Centring a piece centres its whole line and nothing else; the text is untouched.
    box.setSelStart(6 + line.size() / 2);
    box.setSelAlignment(RichTextBox::Center);
    QVERIFY(box.isRichView());
    QCOMPARE(box.Text(), QStringLiteral("short\n") + line);
    QTextBlock b = box.document()->begin();
    QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    for (b = b.next(); b.isValid(); b = b.next())
        QCOMPARE(b.blockFormat().alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    box.setSelStart(10);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Center));
}

void tst_largefiles::bigFileShowsProgressAndCancelKeepsOldText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QByteArray bytes;
    while (bytes.size() < 3 * 1024 * 1024)
        bytes += "a line of a big file, \xC3\xA9t\xC3\xA9 included\n";
    writeBytes(path, bytes);
    platform::setProgressFromBytes(1024 * 1024);

    QWidget window;
    auto* box = new RichTextBox(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The window goes on handling events while the file loads, under a progress window.
    int ticks = 0;
    QString label;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++ticks;
        if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
            label = d->labelText();
    });
    watch.start(1);
    box->LoadFile(path);
    QVERIFY(ticks > 0);
    QVERIFY2(label.contains(QStringLiteral("big.txt")), qPrintable(label));
    label.clear();
    box->SaveFile(dir.filePath(QStringLiteral("copy.txt")), RichTextBox::PlainText);
    QVERIFY2(label.startsWith(QStringLiteral("Saving copy.txt")), qPrintable(label));
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("copy.txt"))), bytes);

    // Cancel: nothing of the new file is loaded, the old text stays.
    box->setSelStart(0);
    box->setSelText(QStringLiteral("edited "));
    const QString before = box->Text();
    QObject::disconnect(&watch, nullptr, nullptr, nullptr);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // As the user does: the window's Cancel button.
        if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            if (auto* button = d->findChild<QPushButton*>())
                button->click();
        }
    });
    QSignalSpy changes(box, &RichTextBox::Change);
    const auto errorOf = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const platform::AppError& e) {
            return e;
        }
        return platform::AppError{};
    };
    QCOMPARE(errorOf([&] { box->LoadFile(path); }).number, platform::err::Cancel);
    QCOMPARE(box->Text(), before);
    QCOMPARE(changes.count(), 0);

    // A cancelled save of a big document leaves the old file whole and says so.
    const platform::AppError saving = errorOf([&] { box->SaveFile(path, RichTextBox::PlainText); });
    QCOMPARE(saving.number, platform::err::Cancel);
    QVERIFY(saving.description.contains(path));
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary file stays
    platform::setProgressFromBytes(8 * 1024 * 1024);
}

void tst_largefiles::richParagraphWithoutBreaksIsOneParagraphReadBesideAndSavedWhole()
{
    // A paragraph with no place to break a line, then enough ordinary text to be read beside
    // the window.
    QByteArray letters;
    for (int i = 0; i < 20000; ++i)
        letters += char('a' + i % 26);
    const QByteArray rtf = "{\\rtf1\\ansi\\pard\\sb240\\sa120\\fi360 " + letters.left(100) + "{\\b "
                           + letters.mid(100) + "}\\par\n\\pard " + words(300000).toLatin1()
                           + "\\par}";
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.rtf"));
    writeBytes(in, rtf);
    QTextDocument whole;
    QVERIFY(platform::rtf::RtfReader::read(rtf, whole));

    QWidget window;
    auto* box = new RichTextBox(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int ticks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { ++ticks; });
    watch.start(1);
    box->LoadFile(in);
    QVERIFY2(ticks > 0, "the window handles its events while rich text is read");
    QCOMPARE(box->document()->blockCount(), 2);
    QCOMPARE(box->Text(), whole.toPlainText());
    QCOMPARE(box->TextLength(), box->Text().size());
    box->setSelStart(4000);
    box->setSelLength(9000);
    QCOMPARE(box->SelText(), QString::fromLatin1(letters.mid(4000, 9000)));

    const QString out = dir.filePath(QStringLiteral("out.rtf"));
    box->SaveFile(out, RichTextBox::RichText);
    const QByteArray saved = readBytes(out);
    QCOMPARE(saved.count("\\par\n"), 2);
    for (const char* word : {"\\sb240", "\\sa120", "\\fi360"})
        QVERIFY2(saved.count(word) == 1, word);
    RichTextBox again;
    again.LoadFile(out);
    QCOMPARE(again.Text(), box->Text());
}

void tst_largefiles::viewWrapsAnywhereOnlyForLongRuns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("anywhere");
    const QString run(9000, u'x');
    QTest::newRow("words") << words(40000) << false;
    QTest::newRow("runs of 8000 between spaces") << (QString(8000, u'x') + u' ').repeated(3) << false;
    QTest::newRow("run of 9000") << QStringLiteral("ab ") + run + QStringLiteral(" cd") << true;
    QTest::newRow("in a later paragraph") << QStringLiteral("short\n") + run << true;
    // Ideographs and hyphens allow breaks without spaces; no-break spaces do not.
    QTest::newRow("ideographs") << QString(20000, QChar(0x6587)) << false;
    QTest::newRow("hyphens") << QStringLiteral("abc-").repeated(5000) << false;
    QTest::newRow("no-break spaces") << (QString(9, u'x') + QChar(0x00A0)).repeated(1000) << true;
}

void tst_largefiles::viewWrapsAnywhereOnlyForLongRuns()
{
    QFETCH(QString, text);
    QFETCH(bool, anywhere);
    QCOMPARE(platform::hasLongUnbreakableRun(text), anywhere);
    QTextEdit view;
    auto* doc = new QTextDocument(&view);
    QTextCursor(doc).insertText(text);
    platform::showWithWrap(view, *doc);
    QCOMPARE(view.wordWrapMode() == QTextOption::WrapAnywhere, anywhere);
    QCOMPARE(view.document(), doc);

    // The next document shown gets the wrap it needs, whatever the view had.
    auto* ordinary = new QTextDocument(&view);
    QTextCursor(ordinary).insertText(words(20000));
    platform::showWithWrap(view, *ordinary);
    QCOMPARE(view.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    // An insert that would make a long run switches the view first: here one joining the text
    // either side of the selection.
    QTextCursor at(ordinary);
    at.movePosition(QTextCursor::End);
    at.insertText(QStringLiteral("\n") + QString(5000, u'y') + u' ' + QString(5000, u'z'));
    at.setPosition(at.position() - 5000);
    at.setPosition(at.position() - 1, QTextCursor::KeepAnchor);
    platform::chooseWrapBeforeInsert(view, at, QStringLiteral("a b"));
    QCOMPARE(view.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    platform::chooseWrapBeforeInsert(view, at, QStringLiteral("ab"));
    QCOMPARE(view.wordWrapMode(), QTextOption::WrapAnywhere);
    // Once the run is gone the view wraps at words again.
    at.movePosition(QTextCursor::StartOfBlock);
    at.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    at.removeSelectedText();
    platform::chooseWrapFor(view);
    QCOMPARE(view.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

QTEST_MAIN(tst_largefiles)
#include "tst_largefiles.moc"
