#include "MainFixture.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "document/modCountOccurrences.h"
#include "mainwindow/frmMain.h"
#include "platform/Clipboard.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolBar>

using platform::RichTextBox;

class tst_document : public QObject {
    Q_OBJECT
private slots:
    void countOccurrencesCountsOverlaps_data();
    void countOccurrencesCountsOverlaps();
    void smartTabs_data();
    void smartTabs();
    void smartTabsFarIntoALargeDocument();
    void heldEnterIndentsOnlyTheLastLine();
    void formattingShortcuts();
    void selectionChangeClearsStatusAndFollowsFormat();
    void cutCopyPaste();
    void clearDeletesSelectionOrNextCharacter_data();
    void clearDeletesSelectionOrNextCharacter();
    void rightClickShowsContextMenu();
    void filesDroppedOnADocumentOpen();
};

void tst_document::countOccurrencesCountsOverlaps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("count");
    QTest::newRow("three letters, pair") << "aaa" << "aa" << 2;
    QTest::newRow("tabs") << "\ta\t\tb" << "\t" << 3;
    QTest::newRow("none") << "abc" << "\t" << 0;
    QTest::newRow("case") << "Aa" << "a" << 1;
    QTest::newRow("empty pattern") << "abc" << "" << 0;
}

void tst_document::countOccurrencesCountsOverlaps()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(int, count);
    QCOMPARE(modCountOccurrences::CountOccurrences(text, pattern), count);
}

void tst_document::smartTabs_data()
{
    QTest::addColumn<QString>("before");   // the document; | marks the caret
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<QString>("after");
    QTest::newRow("two tabs") << "\t\tx|" << true << int(Qt::NoModifier) << "\t\tx\n\t\t|";
    QTest::newRow("tab between letters") << "a\tb|" << true << int(Qt::NoModifier) << "a\tb\n\t|";
    QTest::newRow("no tabs") << "abc|" << true << int(Qt::NoModifier) << "abc\n|";
    QTest::newRow("off") << "\t\tx|" << false << int(Qt::NoModifier) << "\t\tx\n|";
    QTest::newRow("split a line") << "\ta|bc" << true << int(Qt::NoModifier) << "\ta\n\t|bc";
    QTest::newRow("shift+enter") << "\tx|" << true << int(Qt::ShiftModifier) << "\tx\n\t|";
    QTest::newRow("ctrl+enter") << "\tx|" << true << int(Qt::ControlModifier) << "\tx\n\t|";
    QTest::newRow("middle line") << "one\n\t\ttwo|\nthree" << true << int(Qt::NoModifier)
                                 << "one\n\t\ttwo\n\t\t|\nthree";
}

void tst_document::smartTabs()
{
    QFETCH(QString, before);
    QFETCH(bool, on);
    QFETCH(int, modifier);
    QFETCH(QString, after);
    MainFixture f({{keys::UseSmartTabs, on ? "YES" : "NO"}});
    RichTextBox& box = *f.editor();
    box.setSelText(QString(before).remove('|'));
    box.setSelStart(before.indexOf('|'));
    QTest::keyClick(box.hwnd(), Qt::Key_Return, Qt::KeyboardModifiers(modifier));
    QTRY_COMPARE(box.Text(), QString(after).remove('|'));
    QTRY_COMPARE(box.SelStart(), after.indexOf('|')); // the caret's way back is queued
}

void tst_document::smartTabsFarIntoALargeDocument()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText(QString("filler line\n").repeated(5000) + "\t\t\tdeep");
    QVERIFY(box.TextLength() > 40000);
    QTest::keyClick(box.hwnd(), Qt::Key_Return);
    QTRY_VERIFY(box.Text().endsWith("\t\t\tdeep\n\t\t\t"));
    QTRY_COMPARE(box.SelStart(), box.TextLength());
}

void tst_document::heldEnterIndentsOnlyTheLastLine()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText("\tx");
    QWidget* w = box.hwnd();
    // A held key: presses and releases that the keyboard repeats, then the real release.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", i > 0);
        QApplication::sendEvent(w, &press);
        if (i < 2) {
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", true);
            QApplication::sendEvent(w, &release);
        }
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", false);
    QApplication::sendEvent(w, &release);
    // Had the repeated releases run smart tabs, the first new line would hold a tab: only the
    // real release runs it, measuring the empty line the held key made last.
    QTRY_COMPARE(platform::pendingKeys(), 0);
    QCOMPARE(box.Text(), QStringLiteral("\tx\n\n\n"));
    QCOMPARE(box.SelStart(), box.TextLength());
}

void tst_document::formattingShortcuts()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText("some words");
    box.setSelStart(0);
    box.setSelLength(4);
    QAction* bold = f.main->toolButton(f.main->tbToolBar, "Bold");
    QTest::keyClick(box.hwnd(), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QVERIFY(bold->isChecked());
    QTest::keyClick(box.hwnd(), Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(box.SelUnderline(), std::optional<bool>(true));
    QTest::keyClick(box.hwnd(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(box.hwnd()->hasFocus()); // the rich-text view took over with the focus
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Right));
    QVERIFY(f.main->toolButton(f.main->tbToolBar, "AlignRight")->isChecked());
    QTest::keyClick(box.hwnd(), Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(box.SelAlignment(), std::optional<int>(RichTextBox::Left));
    QVERIFY(!f.main->toolButton(f.main->tbToolBar, "AlignRight")->isChecked());
    // Mixed: part bold. Ctrl+B makes all of it bold, with no error.
    box.setSelStart(2);
    box.setSelLength(5);
    QCOMPARE(box.SelBold(), std::optional<bool>());
    QTest::keyClick(box.hwnd(), Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QVERIFY(f.messages->shown.isEmpty());
    QCOMPARE(box.Text(), QStringLiteral("some words")); // the shortcuts type nothing
    // Ctrl+I is the tab character.
    box.setSelStart(0);
    QTest::keyClick(box.hwnd(), Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("\tsome words"));
}

void tst_document::selectionChangeClearsStatusAndFollowsFormat()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText("ab");
    box.setSelStart(0);
    box.setSelLength(1);
    box.setSelBold(true);
    f.active()->bIsDirty = false;
    f.main->setStatusText("Saved: x");
    box.setSelStart(1); // the caret after the bold letter
    QCOMPARE(f.main->statusText(), QString());
    QVERIFY(f.main->toolButton(f.main->tbToolBar, "Bold")->isChecked());
    QVERIFY(f.main->toolButton(f.main->tbToolBar, "AlignLeft")->isChecked());
    box.setSelStart(2);
    QVERIFY(!f.main->toolButton(f.main->tbToolBar, "Bold")->isChecked());
    QVERIFY(!f.active()->bIsDirty); // a caret move is not a change
}

void tst_document::cutCopyPaste()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText("hello world");
    f.active()->bIsDirty = false;
    box.setSelStart(0);
    box.setSelLength(5);
    f.trigger("mnuEditCopy");
    QCOMPARE(platform::clipboardText(), QStringLiteral("hello"));
    QVERIFY(!f.active()->bIsDirty);
    f.trigger("mnuEditCut");
    QCOMPARE(box.Text(), QStringLiteral(" world"));
    QVERIFY(f.active()->bIsDirty);
    box.setSelStart(box.TextLength());
    f.main->mnuContextPaste_Click();
    QCOMPARE(box.Text(), QStringLiteral(" worldhello"));
    // Rich content on the clipboard: only its plain text arrives.
    auto* rich = new QMimeData;
    rich->setHtml("<b>bold</b>");
    rich->setText("bold");
    QGuiApplication::clipboard()->setMimeData(rich);
    box.setSelStart(0);
    f.trigger("mnuEditPaste");
    QCOMPARE(box.Text(), QStringLiteral("bold worldhello"));
    box.setSelStart(0);
    box.setSelLength(4);
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    // No text on the clipboard: the selection goes.
    QGuiApplication::clipboard()->clear();
    f.trigger("mnuEditPaste");
    QCOMPARE(box.Text(), QStringLiteral(" worldhello"));
    f.trigger("mnuEditSelectAll");
    QCOMPARE(box.SelLength(), box.TextLength());
}

void tst_document::clearDeletesSelectionOrNextCharacter_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("after");
    QTest::newRow("caret inside") << 1 << 0 << "ac";
    QTest::newRow("caret at the end") << 3 << 0 << "abc";
    QTest::newRow("selection") << 0 << 2 << "c";
}

void tst_document::clearDeletesSelectionOrNextCharacter()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, after);
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText("abc");
    box.setSelStart(start);
    box.setSelLength(length);
    f.trigger("mnuEditClear");
    QCOMPARE(box.Text(), after);
}

void tst_document::rightClickShowsContextMenu()
{
    MainFixture f;
    QWidget* viewport = f.editor()->hwnd()->findChildren<QWidget*>().value(0, f.editor()->hwnd());
    QMenu* context = f.main->menu("mnuContext");
    for (QWidget* w : f.editor()->hwnd()->findChildren<QWidget*>())
        if (w->objectName() == QLatin1String("qt_scrollarea_viewport"))
            viewport = w;
    QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, QPoint(20, 10));
    QTRY_VERIFY(context->isVisible());
    QVERIFY(!f.main->action("mnuContextCut")->isEnabled());
    QVERIFY(!f.main->action("mnuContextCopy")->isEnabled());
    QVERIFY(f.main->action("mnuContextPaste")->isEnabled());
    context->close();
}

void tst_document::filesDroppedOnADocumentOpen()
{
    MainFixture f;
    writeFile(f.path("a.txt"), "A");
    writeFile(f.path("b.txt"), "B");
    frmDocument* target = f.active();
    target->rtfText->setSelText("kept");
    Q_EMIT target->rtfText->OLEDragDrop({f.path("a.txt"), f.path("b.txt")});
    QCOMPARE(f.main->documents().size(), 3);
    QCOMPARE(f.active()->Caption(), f.path("b.txt"));
    QCOMPARE(target->rtfText->Text(), QStringLiteral("kept")); // the drop target is unchanged
}

QTEST_MAIN(tst_document)
#include "tst_document.moc"
