// Plain documents in the editor's own store and view: every byte kept, keys over display lines,
// the move to the rich view; and big files loaded and saved with a progress window.
#include "platform/AppError.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"
#include "platform/rtf/LongRuns.h"
#include "platform/rtf/RtfReader.h"

#include <QAccessible>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

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

// Words "w0 w1 w2 ..." up to about the given length.
QString words(qsizetype length)
{
    QString s;
    for (int i = 0; s.size() < length; ++i)
        s += QStringLiteral("w%1 ").arg(i);
    return s;
}

void press(RichTextBox& box, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(box.hwnd(), key, mods);
}

// A box shown 400 pixels wide, so that long lines wrap, with the keyboard.
struct ShownBox {
    QWidget window;
    RichTextBox* box = new RichTextBox(&window);
    explicit ShownBox(const QString& text)
    {
        window.resize(400, 300);
        box->resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        box->setSelText(text);
        box->setSelStart(0);
        box->SetFocus();
    }
    QWidget* viewport() const { return static_cast<QAbstractScrollArea*>(box->hwnd())->viewport(); }
};

} // namespace

class tst_largefiles : public QObject {
    Q_OBJECT
private slots:
    void plainFilesComeBackByteForByte_data();
    void plainFilesComeBackByteForByte();
    void keysMoveOverDisplayLines();
    void keysEditAsUsersExpect();
    void mouseSelectsAndReports();
    void inputMethodsAndScreenReaders();
    void formatsMoveThePlainDocumentToTheRichView();
    void editBlocksAndSnapshots();
    void bigFileShowsProgressAndCancelKeepsOldText();
    void richParagraphWithoutBreaksIsOneParagraphReadBesideAndSavedWhole();
    void viewWrapsAnywhereOnlyForLongRuns_data();
    void viewWrapsAnywhereOnlyForLongRuns();
};

void tst_largefiles::plainFilesComeBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("mixed line breaks") << QByteArray("one\r\ntwo\nthree\rfour\r\n\n\r\rend\r");
    QTest::newRow("separators Qt's documents use")
        << QByteArray("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xEF\xB7\x90" "d\xEF\xB7\x91" "e\n");
    QByteArray binary;
    for (int round = 0; round < 3; ++round) {
        for (int b = 0; b < 256; ++b)
            binary += char(b);
    }
    QTest::newRow("every byte value, NULs included") << binary;
    QByteArray emoji;
    for (int i = 0; i < 40000; ++i)
        emoji += i % 7 == 0 ? "x" : "\xF0\x9F\x98\x80";
    QTest::newRow("one long line of surrogate pairs") << emoji;
    QTest::newRow("UTF-16 with a lone surrogate")
        << QByteArray("\xFF\xFE" "a\0\x00\xD8" "b\0\r\0\n\0", 12);
    QTest::newRow("empty") << QByteArray();
}

void tst_largefiles::plainFilesComeBackByteForByte()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    writeBytes(in, bytes);
    RichTextBox box;
    box.LoadFile(in);
    QVERIFY(!box.isRichView());
    QCOMPARE(box.TextLength(), box.Text().size());
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    box.SaveFile(out, RichTextBox::PlainText);
    QCOMPARE(readBytes(out), bytes);
}

void tst_largefiles::keysMoveOverDisplayLines()
{
    const QString longLine = words(30000);
    const QString text = QStringLiteral("first\n") + longLine + QStringLiteral("\nlast");
    ShownBox shown(text);
    RichTextBox& box = *shown.box;
    const qsizetype longStart = 6, lastStart = longStart + longLine.size() + 1;

    press(box, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(box.SelStart(), text.size());
    press(box, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(box.SelStart(), 0);
    press(box, Qt::Key_Down);
    QCOMPARE(box.SelStart(), longStart);

    // End stops at the end of the display line, not of the line; Home comes back.
    press(box, Qt::Key_End);
    const qsizetype rowEnd = box.SelStart();
    QVERIFY2(rowEnd > longStart + 10 && rowEnd < longStart + 200, qPrintable(QString::number(rowEnd)));
    press(box, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(box.SelStart(), longStart);
    QCOMPARE(box.SelText(), text.mid(longStart, rowEnd - longStart));

    // Down walks the long line a display line at a time, keeping the column.
    press(box, Qt::Key_Right);
    press(box, Qt::Key_Home);
    int rows = 0;
    qsizetype before = box.SelStart();
    while (box.SelStart() < lastStart && rows < 100000) {
        press(box, Qt::Key_Down);
        QVERIFY(box.SelStart() > before);
        before = box.SelStart();
        ++rows;
    }
    QCOMPARE(box.SelStart(), lastStart);
    QVERIFY2(rows > longLine.size() / 200 && rows < longLine.size() / 10, qPrintable(QString::number(rows)));

    // Up from a line's start reaches the last display line of the line before (smart tabs
    // measure with it): what lies between is that display line and the break.
    press(box, Qt::Key_Up);
    const QString between = text.mid(box.SelStart(), lastStart - box.SelStart());
    QVERIFY2(between.size() < 200 && between.count(u'\n') == 1,
             qPrintable(between));
    QVERIFY(between.endsWith(u'\n'));

    // Page Down moves by many display lines at once.
    press(box, Qt::Key_Home, Qt::ControlModifier);
    press(box, Qt::Key_PageDown);
    QVERIFY(box.SelStart() > longStart + 5 * 40);
    press(box, Qt::Key_PageUp);
    QCOMPARE(box.SelStart(), 0);

    // Words: Ctrl+Right goes to the next word's start, Ctrl+Left back, Shift selects.
    box.setSelStart(longStart);
    press(box, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(box.SelStart(), longStart + 3); // "w0 "
    press(box, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(box.SelText(), QStringLiteral("w1 "));
    press(box, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(box.SelStart(), longStart + 3);
    QCOMPARE(box.SelLength(), 0);
}

void tst_largefiles::keysEditAsUsersExpect()
{
    const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80");
    ShownBox shown(QStringLiteral("ab") + pair + QStringLiteral("cd"));
    RichTextBox& box = *shown.box;
    QString expected = box.Text();

    // A surrogate pair is one character to the arrows and to Backspace.
    box.setSelStart(2);
    press(box, Qt::Key_Right);
    QCOMPARE(box.SelStart(), 4);
    press(box, Qt::Key_Left);
    QCOMPARE(box.SelStart(), 2);
    box.setSelStart(4);
    press(box, Qt::Key_Backspace);
    expected.remove(2, 2);
    QCOMPARE(box.Text(), expected);

    // A run of typing is one undo step; Enter, Tab and Ctrl+I type what they stand for.
    QTest::keyClicks(box.hwnd(), QStringLiteral("xyz"));
    press(box, Qt::Key_Return);
    press(box, Qt::Key_Tab);
    press(box, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("abxyz\n\t\tcd"));
    press(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box.Text(), expected);
    QCOMPARE(box.SelStart(), 2);
    press(box, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("abxyz\n\t\tcd"));

    // Insert types over what follows, but never over a line break.
    box.setSelStart(0);
    press(box, Qt::Key_Insert);
    QTest::keyClicks(box.hwnd(), QStringLiteral("ABCDEF"));
    QCOMPARE(box.Text(), QStringLiteral("ABCDEF\n\t\tcd"));
    press(box, Qt::Key_Insert);
    QTest::keyClicks(box.hwnd(), QStringLiteral("+"));
    QCOMPARE(box.Text(), QStringLiteral("ABCDEF+\n\t\tcd"));

    // Delete joins lines; Ctrl+Backspace takes the word before the caret.
    press(box, Qt::Key_Delete);
    QCOMPARE(box.Text(), QStringLiteral("ABCDEF+\t\tcd"));
    box.setSelStart(6);
    press(box, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("+\t\tcd"));
}

void tst_largefiles::mouseSelectsAndReports()
{
    ShownBox shown(QStringLiteral("alpha beta gamma\nsecond line here\n"));
    RichTextBox& box = *shown.box;
    QWidget* vp = shown.viewport();
    const QFontMetrics fm(box.hwnd()->font());
    const QPoint onBeta(4 + fm.horizontalAdvance(QStringLiteral("alpha be")), 4 + fm.height() / 2);
    QTest::mouseClick(vp, Qt::LeftButton, {}, onBeta);
    QCOMPARE(box.SelStart(), 8);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, onBeta);
    QCOMPARE(box.SelText(), QStringLiteral("beta"));
    QTest::mouseClick(vp, Qt::LeftButton, {}, onBeta); // the third click
    QCOMPARE(box.SelText(), QStringLiteral("alpha beta gamma"));
    const QPoint onSecond(4 + fm.horizontalAdvance(QStringLiteral("sec")), 4 + fm.height() * 3 / 2);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, onSecond, 500);
    QCOMPARE(box.SelText(), QStringLiteral("alpha beta gamma\nsec"));

    // The right button's release is reported; file drops are reported, never inserted.
    QSignalSpy ups(&box, &RichTextBox::MouseUp);
    QTest::mouseClick(vp, Qt::RightButton, {}, onBeta, 500);
    QCOMPARE(ups.count(), 1);
    QCOMPARE(ups.at(0).at(0).toInt(), 2);
    QSignalSpy drops(&box, &RichTextBox::OLEDragDrop);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt")), QUrl::fromLocalFile(QStringLiteral("/tmp/b c.txt"))});
    const QString before = box.Text();
    const auto dropOn = [&](QMimeData* data) {
        QDragEnterEvent enter(onBeta, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(vp, &enter);
        QDropEvent drop(onBeta, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(vp, &drop);
    };
    dropOn(&files);
    QCOMPARE(drops.count(), 1);
    QCOMPARE(drops.at(0).at(0).toStringList(), QStringList({"/tmp/a.txt", "/tmp/b c.txt"}));
    QCOMPARE(box.Text(), before);
    // Dropped text goes where it is dropped.
    QMimeData words;
    words.setText(QStringLiteral("NEW "));
    dropOn(&words);
    QCOMPARE(box.Text(), QStringLiteral("alpha beNEW ta gamma\nsecond line here\n"));
}

void tst_largefiles::inputMethodsAndScreenReaders()
{
    ShownBox shown(QStringLiteral("first line\nsecond line"));
    RichTextBox& box = *shown.box;
    box.setSelStart(16);
    QInputMethodEvent compose(QStringLiteral("e"), {});
    QApplication::sendEvent(box.hwnd(), &compose);
    QCOMPARE(box.Text(), QStringLiteral("first line\nsecond line")); // only shown while composing
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(box.hwnd(), &commit);
    QCOMPARE(box.Text(), QString::fromUtf8("first line\nsecon\xC3\xA9" "d line"));
    QCOMPARE(box.SelStart(), 17);
    QCOMPARE(box.hwnd()->inputMethodQuery(Qt::ImSurroundingText).toString(),
             QString::fromUtf8("secon\xC3\xA9" "d line"));
    QCOMPARE(box.hwnd()->inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
    QVERIFY(box.hwnd()->inputMethodQuery(Qt::ImCursorRectangle).toRect().isValid());

    // A screen reader reads the line at the caret.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box.hwnd());
    QVERIFY(a && a->textInterface());
    int from = 0, to = 0;
    const QString line = a->textInterface()->textAtOffset(a->textInterface()->cursorPosition(),
                                                          QAccessible::LineBoundary, &from, &to);
    QCOMPARE(line, QString::fromUtf8("secon\xC3\xA9" "d line"));
    QCOMPARE(from, 11);
}

void tst_largefiles::formatsMoveThePlainDocumentToTheRichView()
{
    const QString line = words(20000);
    RichTextBox box;
    box.setSelText(QStringLiteral("short\n") + line);
    QVERIFY(!box.isRichView());
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    box.setSelStart(2);
    box.setSelLength(3);
    QSignalSpy changes(&box, &RichTextBox::Change);
    box.setSelBold(true);
    QVERIFY(box.isRichView());
    QCOMPARE(box.Text(), QStringLiteral("short\n") + line);
    QCOMPARE(box.SelStart(), 2);
    QCOMPARE(box.SelText(), QStringLiteral("ort"));
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QVERIFY(changes.count() > 0);

    // A long line is one paragraph: centring it centres nothing else.
    box.setSelStart(6 + line.size() / 2);
    box.setSelAlignment(RichTextBox::Center);
    QCOMPARE(box.document()->blockCount(), 2);
    QCOMPARE(box.document()->begin().blockFormat().alignment() & Qt::AlignHCenter, Qt::Alignment());
    QCOMPARE(box.document()->lastBlock().blockFormat().alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

void tst_largefiles::editBlocksAndSnapshots()
{
    RichTextBox box;
    const QString text = words(30000) + QStringLiteral("\n") + words(20000);
    box.setSelText(text);
    // What a recovery copy reads stays as it was while editing goes on.
    const std::function<QString()> copy = box.textReader();
    {
        // As Replace All does: every replacement is one undo step.
        RichTextBox::EditBlock block(box);
        qsizetype at = box.Find(QStringLiteral("w1"), 0, -1, RichTextBox::MatchCase | RichTextBox::WholeWord);
        while (at >= 0) {
            box.setSelText(QStringLiteral("<long replacement>"));
            at = box.Find(QStringLiteral("w1"), box.SelStart(), -1, RichTextBox::MatchCase | RichTextBox::WholeWord);
        }
    }
    QString expected = text;
    expected.replace(QStringLiteral("w1 "), QStringLiteral("<long replacement> "));
    QCOMPARE(box.Text(), expected);
    QCOMPARE(box.TextLength(), expected.size());
    QCOMPARE(copy(), text);
    box.undo();
    QCOMPARE(box.Text(), text);
    box.undo(); // and the text's own insertion before it
    QCOMPARE(box.Text(), QString());
    box.redo();
    // A no-break space in the text is found by a space, as in a rich document.
    box.setSelStart(5);
    box.setSelText(QStringLiteral("x\u00A0y"));
    QCOMPARE(box.Find(QStringLiteral("x y"), 0), 5);
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
