#include "MainFixture.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/Clipboard.h"
#include "platform/RichTextBox.h"
#include "platform/SendKeys.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocumentFragment>

using platform::RichTextBox;

class tst_document : public QObject {
    Q_OBJECT
private slots:
    void smartTabs_data();
    void smartTabs();
    void heldEnterIndentsOnlyTheLastLine();
    void formattingShortcutsAndTheSelection();
    void editCommands_data();
    void editCommands();
    void tabIndentsSelectedLines_data();
    void tabIndentsSelectedLines();
};

namespace {
// Text with the caret as "|", or a selection in brackets.
void setMarked(RichTextBox& box, const QString& marked)
{
    box.setSelText(QString(marked).remove(QRegularExpression("[|\\[\\]]")));
    const int start = marked.indexOf(QRegularExpression("[|\\[]"));
    box.setSelStart(start);
    box.setSelLength(marked.contains(']') ? marked.indexOf(']') - start - 1 : 0);
}

QString marked(RichTextBox& box)
{
    QString text = box.Text();
    if (box.SelLength() == 0)
        return text.insert(box.SelStart(), '|');
    return text.insert(box.SelStart() + box.SelLength(), ']').insert(box.SelStart(), '[');
}
} // namespace

void tst_document::smartTabs_data()
{
    QTest::addColumn<QString>("stored"); // the smart-tabs setting
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<QString>("after");
    const int none = Qt::NoModifier;
    QTest::newRow("two tabs") << "YES" << "\t\tx|" << none << "\t\tx\n\t\t|";
    QTest::newRow("tab between letters") << "YES" << "a\tb|" << none << "a\tb\n\t|";
    QTest::newRow("no tabs") << "YES" << "abc|" << none << "abc\n|";
    QTest::newRow("off") << "NO" << "\t\tx|" << none << "\t\tx\n|";
    QTest::newRow("only YES is on") << "yes" << "\t\tx|" << none << "\t\tx\n|";
    QTest::newRow("on when absent") << QString() << "\tx|" << none << "\tx\n\t|";
    QTest::newRow("split a line") << "YES" << "\ta|bc" << none << "\ta\n\t|bc";
    QTest::newRow("shift+enter") << "YES" << "\tx|" << int(Qt::ShiftModifier) << "\tx\n\t|";
    QTest::newRow("middle line") << "YES" << "one\n\t\ttwo|\nthree" << none << "one\n\t\ttwo\n\t\t|\nthree";
    const QString filler = QString("filler line\n").repeated(5000);
    QTest::newRow("far into a large document") << "YES" << filler + "\t\t\tdeep|" << none
                                               << filler + "\t\t\tdeep\n\t\t\t|";
}

void tst_document::smartTabs()
{
    QFETCH(QString, stored);
    QFETCH(QString, before);
    QFETCH(int, modifier);
    QFETCH(QString, after);
    MainFixture f({{QStringLiteral("UseSmartTabs"), stored}});
    RichTextBox& box = *f.editor();
    setMarked(box, before);
    QTest::keyClick(box.hwnd(), Qt::Key_Return, Qt::KeyboardModifiers(modifier));
    QTRY_COMPARE(marked(box), after); // the caret's way back is queued
}

void tst_document::heldEnterIndentsOnlyTheLastLine()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    box.setSelText("\tx");
    // A held key: presses and releases that the keyboard repeats, then the real release.
    for (int i = 0; i < 6; ++i) {
        QKeyEvent e(i % 2 ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", i > 0 && i < 5);
        QApplication::sendEvent(box.hwnd(), &e);
    }
    // Only the real release runs smart tabs, measuring the empty line the held key made last.
    QTRY_COMPARE(platform::pendingKeys(), 0);
    QCOMPARE(marked(box), QStringLiteral("\tx\n\n\n|"));

    // A release whose press went elsewhere (Enter closing a dialog) neither indents nor unselects.
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
    setMarked(box, "\tfirst\n\t[second]");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(box.hwnd(), &release);
    QTRY_COMPARE(platform::pendingKeys(), 0);
    QCOMPARE(marked(box), QStringLiteral("\tfirst\n\t[second]"));
}

void tst_document::formattingShortcutsAndTheSelection()
{
    MainFixture f;
    RichTextBox& box = *f.editor();
    setMarked(box, "[some] words");
    auto pressed = [&](const char* key) { return f.main->toolButton(f.main->tbToolBar, key)->isChecked(); };
    QTest::keyClick(box.hwnd(), Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(box.hwnd(), Qt::Key_U, Qt::ControlModifier);
    QVERIFY(box.SelBold() == true && box.SelUnderline() == true && box.SelItalic() == false && pressed("Bold"));
    QTest::keyClick(box.hwnd(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(box.hwnd()->hasFocus()); // the rich-text view took over with the focus
    QVERIFY(box.SelAlignment() == RichTextBox::Right && pressed("AlignRight"));
    QTest::keyClick(box.hwnd(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(box.SelAlignment() == RichTextBox::Left && !pressed("AlignRight") && pressed("AlignLeft"));
    QCOMPARE(marked(box), QStringLiteral("[some] words")); // the shortcuts type nothing
    // Moving the caret clears the status text and sets the buttons from the format there.
    f.active()->bIsDirty = false;
    f.main->setStatusText("Saved: x");
    box.setSelStart(2);
    QVERIFY(f.main->statusText().isEmpty() && pressed("Bold"));
    box.setSelStart(6);
    QVERIFY(!pressed("Bold") && !f.active()->bIsDirty); // a caret move is not a change
    box.setSelStart(0);
    QTest::keyClick(box.hwnd(), Qt::Key_I, Qt::ControlModifier); // Ctrl+I is the tab character
    QCOMPARE(box.Text(), QStringLiteral("\tsome words"));
}

void tst_document::editCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("clipboard"); // before: null untouched, "" empty, "<...>" rich
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString as;
    QTest::newRow("copy") << "mnuEditCopy" << as << "[hello] world" << "[hello] world";
    QTest::newRow("cut") << "mnuEditCut" << as << "[hello] world" << "| world";
    QTest::newRow("paste") << "mnuContextPaste" << "hello" << " world|" << " worldhello|";
    QTest::newRow("rich paste, plain text") << "mnuEditPaste" << "<b>bold</b>" << "| x" << "bold| x";
    QTest::newRow("paste nothing") << "mnuEditPaste" << "" << "[ab]c" << "|c";
    QTest::newRow("paste CR LF breaks") << "mnuEditPaste" << "one\r\ntwo\r\n" << "start\n|" << "start\none\ntwo\n|";
    QTest::newRow("pop-up paste, mixed breaks") << "mnuContextPaste" << "a\r\nb\rc\n" << "|" << "a\nb\nc\n|";
    QTest::newRow("clear next character") << "mnuEditClear" << as << "a|bc" << "a|c";
    QTest::newRow("clear at the end") << "mnuEditClear" << as << "abc|" << "abc|";
    QTest::newRow("clear selection") << "mnuContextClear" << as << "[ab]c" << "|c";
    QTest::newRow("select all") << "mnuEditSelectAll" << as << "a|bc" << "[abc]";
    QTest::newRow("select all, pop-up") << "mnuContextSelectAll" << as << "a|bc" << "[abc]";
}

void tst_document::editCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, clipboard);
    QFETCH(QString, before);
    QFETCH(QString, after);
    MainFixture f;
    RichTextBox& box = *f.editor();
    setMarked(box, before);
    f.active()->bIsDirty = false;
    if (!clipboard.isNull()) {
        auto* data = new QMimeData;
        if (clipboard.startsWith('<')) {
            data->setText(QTextDocumentFragment::fromHtml(clipboard).toPlainText());
            data->setHtml(clipboard);
        } else {
            data->setText(clipboard);
        }
        QGuiApplication::clipboard()->setMimeData(data);
    }
    f.trigger(command);
    QCOMPARE(marked(box), after);
    if (command.contains("Cut") || command.contains("Copy"))
        QCOMPARE(platform::clipboardText(), QStringLiteral("hello"));
    QCOMPARE(f.active()->bIsDirty, QString(before).remove(QRegularExpression("[|\\[\\]]")) != box.Text());
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
    QVERIFY(box.SelBold() != std::optional<bool>(true)); // only plain text arrives
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_document::tabIndentsSelectedLines_data()
{
    QTest::addColumn<bool>("rich");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    for (const bool rich : {false, true}) {
        const QByteArray view = rich ? "rich: " : "plain: ";
        QTest::newRow(view + "several lines") << rich << "x[a\nb\nc]" << int(Qt::Key_Tab) << "[\txa\n\tb\n\tc]";
        QTest::newRow(view + "up to a line start") << rich << "[a\nb\n]c" << int(Qt::Key_Tab) << "[\ta\n\tb\n]c";
        QTest::newRow(view + "outdent") << rich << "[\t\ta\n          b\nc]" << int(Qt::Key_Backtab)
                                        << "[\ta\n  b\nc]";
        QTest::newRow(view + "within one line") << rich << "a[b]c\nd" << int(Qt::Key_Tab) << "a\t|c\nd";
    }
}

void tst_document::tabIndentsSelectedLines()
{
    QFETCH(bool, rich);
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(QString, after);
    MainFixture f;
    RichTextBox& box = *f.editor();
    setMarked(box, before);
    if (rich) { // underlined from its first letter on, so the document is shown rich
        const qsizetype start = box.SelStart(), length = box.SelLength();
        box.setSelStart(0);
        box.setSelLength(1);
        box.setSelUnderline(true);
        box.setSelStart(start);
        box.setSelLength(length);
    }
    QCOMPARE(box.isRichView(), rich);
    QTest::keyClick(box.hwnd(), Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(marked(box), after);
    box.undo(); // one step
    QCOMPARE(box.Text(), QString(before).remove(QRegularExpression("[|\\[\\]]")));
}

QTEST_MAIN(tst_document)
#include "tst_document.moc"
