#include "HostFixture.h"
#include "document/frmDocument.h"
#include "find/frmFind.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"

#include <QAction>
#include <QApplication>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTimer>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

using platform::toPixels;

namespace {

const QString kNotFound = QStringLiteral("String not found.");
const QString kNoMore = QStringLiteral("No more occurrences have been found.");

/// Opens the dialog with Edit > Find (or Replace) and works it with script.
Host& hostOf(MainFixture& f)
{
    return *f.main;
}

Host& hostOf(HostFixture& f)
{
    return f;
}

template <class Fixture>
void withDialog(Fixture& f, const std::function<void(frmFind&)>& script, bool replace = false)
{
    f.modal->scripts << [script](QDialog& w) { script(static_cast<frmFind&>(w)); };
    replace ? modFind::mnuEditReplace_Click(hostOf(f)) : modFind::mnuEditFind_Click(hostOf(f));
    QVERIFY(f.modal->scripts.isEmpty());
}

template <class Fixture>
void setText(Fixture& f, const QString& text)
{
    f.editor()->setSelText(text);
    f.editor()->setSelStart(0);
}

/// What a click or key showed: its message (checked for icon and title), else the selection.
template <class Fixture>
QString outcome(Fixture& f, qsizetype boxesBefore)
{
    if (f.messages->shown.size() > boxesBefore) {
        const auto& box = f.messages->shown.last();
        if (box.title != QStringLiteral("Quiple") || box.icon != platform::Icon::Exclamation)
            return QStringLiteral("bad box: ") + box.title;
        return box.prompt;
    }
    return QStringLiteral("%1+%2").arg(f.editor()->SelStart()).arg(f.editor()->SelLength());
}

template <class Fixture>
QString pressF3(Fixture& f, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const qsizetype boxes = f.messages->shown.size();
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_F3, modifiers);
    return outcome(f, boxes);
}

} // namespace

class tst_find : public QObject {
    Q_OBJECT
private slots:
    void init() { modFind::sLastFindString.clear(); }
    void dialogLayout();
    void openFillsTheSearchBox_data();
    void openFillsTheSearchBox();
    void controlsComeBackEachOpen();
    void findAndNext_data();
    void findAndNext();
    void editingTheSearchTextStartsOver();
    void replace_data();
    void replace();
    void replaceAll_data();
    void replaceAll();
    void longReplaceAllShowsProgressAndCancelTakesItBack();
    void closing_data();
    void closing();
    void repeatSearch_data();
    void repeatSearch();
    void repeatSearchWithNothingRememberedOpensTheDialog();
    void f3LeavesItsShortcutsToTheirCommands();
    void noDocumentNoDialog();
    void offsetsBeyond16Bits();
};

void tst_find::dialogLayout()
{
    MainFixture f;
    QPointer<frmFind> shown;
    withDialog(f, [&](frmFind& d) {
        shown = &d;
        QCOMPARE(d.objectName(), QStringLiteral("frmFind"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Find / Replace"));
        // The design's size and places; a caption that needs more room widens it.
        QVERIFY(d.width() >= toPixels(5205) && d.height() >= toPixels(2175));
        QCOMPARE(d.chkWholeWord->pos(), QPoint(toPixels(2200), toPixels(1800)));
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const QPoint offCentre = d.frameGeometry().center() - f.main->frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4, "not centred over the main window");
        QCOMPARE(d.lblReplaceWith->buddy(), d.txtReplaceString);
        QVERIFY(d.cmdFind->isDefault());
        for (QPushButton* b : {d.cmdFind, d.cmdReplace, d.cmdReplaceAll})
            QVERIFY(!b->isEnabled());
        // Tab walks the controls in their order and comes round again.
        QWidget* order[] = {d.txtFindString, d.txtReplaceString, d.cmdFind, d.cmdReplace, d.cmdReplaceAll,
                            d.cmdCancel, d.chkMatchCase, d.chkWholeWord, d.txtFindString};
        for (size_t i = 1; i < std::size(order); ++i) {
            QWidget* next = order[i - 1]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i]);
        }
    });
    QCOMPARE(&modFind::FindForm(*f.main), shown.data()); // one shared instance...
    f.main.reset();
    QVERIFY(shown.isNull()); // ...that goes with the main window
}

void tst_find::openFillsTheSearchBox_data()
{
    QTest::addColumn<bool>("replace");
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("expected");
    QTest::newRow("selection") << false << 4 << "" << "some";
    QTest::newRow("selection wins") << true << 4 << "older" << "some";
    QTest::newRow("remembered") << true << 0 << "older" << "older";
    QTest::newRow("nothing") << false << 0 << "" << "";
    QTest::newRow("the box's own name") << false << 0 << "txtFindString" << "txtFindString";
}

void tst_find::openFillsTheSearchBox()
{
    QFETCH(bool, replace);
    QFETCH(int, selectionLength);
    QFETCH(QString, remembered);
    QFETCH(QString, expected);
    HostFixture f;
    setText(f, "some words");
    f.editor()->setSelLength(selectionLength);
    modFind::sLastFindString = remembered;
    withDialog(f, [&](frmFind& d) {
        QVERIFY(d.isVisible());
        QCOMPARE(d.txtFindString->text(), expected);
        QCOMPARE(d.cmdFind->isEnabled(), !expected.isEmpty());
        QVERIFY(!d.cmdReplace->isEnabled());
    }, replace);
}

void tst_find::controlsComeBackEachOpen()
{
    HostFixture f;
    setText(f, "abc abc");
    withDialog(f, [&](frmFind& d) {
        d.chkMatchCase->setChecked(true);
        d.chkWholeWord->setChecked(true);
        QTest::keyClicks(d.txtReplaceString, "x");
        QVERIFY(d.cmdReplace->isEnabled() && d.cmdReplaceAll->isEnabled());
        QTest::keyClick(d.txtReplaceString, Qt::Key_Backspace);
        QVERIFY(!d.cmdReplace->isEnabled() && !d.cmdReplaceAll->isEnabled());
        QTest::keyClicks(d.txtReplaceString, "y");
        QTest::keyClicks(d.txtFindString, "abc");
        d.cmdFind->click();
        QCOMPARE(d.cmdFind->text(), frmFind::kNextCaption);
    });
    withDialog(f, [&](frmFind& d) {
        QVERIFY(!d.chkMatchCase->isChecked() && !d.chkWholeWord->isChecked());
        QVERIFY(d.txtReplaceString->text().isEmpty() && !d.cmdReplace->isEnabled());
        QCOMPARE(d.cmdFind->text(), frmFind::kFindCaption);
        QCOMPARE(d.txtFindString->text(), QStringLiteral("abc")); // the selected match
    });
}

void tst_find::findAndNext_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("flags"); // 2 whole word, 4 match case
    QTest::addColumn<QStringList>("clicks"); // what each click shows, then the caption
    QTest::newRow("two words, then from the top again")
        << "abc abc" << "abc" << 0 << QStringList{"0+3 &Next", "4+3 &Next", kNoMore + " &Find", "0+3 &Next"};
    QTest::newRow("overlapping") << "aaaa" << "aa" << 0
                                 << QStringList{"0+2 &Next", "1+2 &Next", "2+2 &Next", kNoMore + " &Find"};
    QTest::newRow("any case") << "xx abc" << "ABC" << 0 << QStringList{"3+3 &Next"};
    QTest::newRow("match case") << "xx abc" << "ABC" << 4 << QStringList{kNotFound + " &Find", kNotFound + " &Find"};
    QTest::newRow("match case skips the others") << "Abc abc aBc" << "abc" << 4
                                                 << QStringList{"4+3 &Next", kNoMore + " &Find"};
    QTest::newRow("whole word") << "abcd abc" << "abc" << 2 << QStringList{"5+3 &Next", kNoMore + " &Find"};
    QTest::newRow("whole word, none") << "abcd" << "abc" << 2 << QStringList{kNotFound + " &Find"};
    QTest::newRow("across lines") << "one\ntwo one\none" << "one" << 0
                                  << QStringList{"0+3 &Next", "8+3 &Next", "12+3 &Next", kNoMore + " &Find"};
}

void tst_find::findAndNext()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(int, flags);
    QFETCH(QStringList, clicks);
    HostFixture f;
    setText(f, text);
    modFind::sLastFindString = search;
    QStringList seen;
    withDialog(f, [&](frmFind& d) {
        d.chkWholeWord->setChecked(flags & 2);
        d.chkMatchCase->setChecked(flags & 4);
        for (qsizetype i = 0; i < clicks.size(); ++i) {
            const qsizetype boxes = f.messages->shown.size();
            QTest::mouseClick(d.cmdFind, Qt::LeftButton);
            seen << outcome(f, boxes) + u' ' + d.cmdFind->text();
        }
        QCOMPARE(d.iFindFlags, flags);
        QVERIFY(d.isVisible()); // messages leave the dialog open
    });
    QCOMPARE(seen, clicks);
    QCOMPARE(f.editor()->Text(), text);
}

void tst_find::editingTheSearchTextStartsOver()
{
    HostFixture f;
    setText(f, "ab abc abc");
    modFind::sLastFindString = "ab";
    withDialog(f, [&](frmFind& d) {
        d.cmdFind->click();
        d.cmdFind->click();
        QCOMPARE(f.editor()->SelStart(), 3);
        QTest::keyClick(d.txtFindString, Qt::Key_End);
        QTest::keyClicks(d.txtFindString, "c");
        QCOMPARE(d.cmdFind->text(), frmFind::kFindCaption);
        d.cmdFind->click();
        QCOMPARE(f.editor()->SelStart(), 3); // from the top, not after the last match
        QTest::keyClick(d.txtFindString, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(d.txtFindString, Qt::Key_Delete);
        QVERIFY(!d.cmdFind->isEnabled());
        QTest::keyClicks(d.txtFindString, "b");
        QTest::keyClick(d.txtFindString, Qt::Key_Return); // Enter clicks Find
        QCOMPARE(outcome(f, 0), QStringLiteral("1+1"));
        QCOMPARE(d.cmdFind->text(), frmFind::kNextCaption);
    });
}

void tst_find::replace_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("findClicks"); // Find / Next clicks before Replace
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("shown"); // outcome of Replace, then the caption
    QTest::newRow("the first while the button reads Find") << "cat cat cat" << "cat" << 0 << "dog cat cat" << "3+0 &Find";
    QTest::newRow("the current match while it reads Next") << "cat cat cat" << "cat" << 2 << "cat dog cat" << "7+0 &Next";
    QTest::newRow("after a failed Next, the first") << "cat cat" << "cat" << 3 << "dog cat" << "3+0 &Find";
    QTest::newRow("none") << "cow" << "cat" << 0 << "cow" << kNotFound + " &Find";
    QTest::newRow("empty search text") << "cat" << "" << 0 << "cat" << kNotFound + " &Find";
}

void tst_find::replace()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(int, findClicks);
    QFETCH(QString, expected);
    QFETCH(QString, shown);
    HostFixture f;
    setText(f, text);
    modFind::sLastFindString = search;
    withDialog(f, [&](frmFind& d) {
        QTest::keyClicks(d.txtReplaceString, "dog");
        for (int i = 0; i < findClicks; ++i)
            d.cmdFind->click();
        const qsizetype foundBefore = d.iFoundPos;
        const qsizetype boxes = f.messages->shown.size();
        QTest::mouseClick(d.cmdReplace, Qt::LeftButton);
        QCOMPARE(outcome(f, boxes) + u' ' + d.cmdFind->text(), shown);
        QCOMPARE(d.iFoundPos, foundBefore);
    }, true);
    QCOMPARE(f.editor()->Text(), expected);
}

void tst_find::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cat by dog") << "cat cat" << "cat" << "dog" << 0 << "dog dog";
    QTest::newRow("any case") << "Cat CAT" << "cat" << "dog" << 0 << "dog dog";
    QTest::newRow("match case") << "Cat cat" << "cat" << "dog" << 4 << "Cat dog";
    QTest::newRow("whole word") << "cat cats cat" << "cat" << "dog" << 2 << "dog cats dog";
    QTest::newRow("replacement holds the search text") << "aXa" << "a" << "aa" << 0 << "aaXaa";
    QTest::newRow("replacement ends in it") << "ab ab" << "ab" << "xab" << 0 << "xab xab";
    QTest::newRow("overlap is replaced once") << "aaa" << "aa" << "b" << 0 << "ba";
    QTest::newRow("line breaks") << "a\nb\na" << "a" << "c\nd" << 0 << "c\nd\nb\nc\nd";
    QTest::newRow("rich text") << "cat cat" << "cat" << "dog" << 0 << "dog dog";
    QTest::newRow("none") << "cow" << "cat" << "dog" << 0 << "cow";
    QTest::newRow("empty search text") << "cat" << "" << "dog" << 0 << "cat";
}

void tst_find::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(int, flags);
    QFETCH(QString, expected);
    HostFixture f;
    setText(f, text);
    const bool rich = QByteArray(QTest::currentDataTag()) == "rich text";
    if (rich) {
        f.editor()->setSelLength(3);
        f.editor()->setSelAlignment(platform::RichTextBox::Center);
        QVERIFY(f.editor()->isRichView());
    }
    modFind::sLastFindString = search;
    withDialog(f, [&](frmFind& d) {
        d.chkWholeWord->setChecked(flags & 2);
        d.chkMatchCase->setChecked(flags & 4);
        d.txtReplaceString->setText(replacement);
        if (!search.isEmpty())
            d.cmdFind->click(); // Replace All leaves the Find / Next state alone
        const QString caption = d.cmdFind->text();
        const qsizetype found = d.iFoundPos;
        QTest::mouseClick(d.cmdReplaceAll, Qt::LeftButton);
        QCOMPARE(d.cmdFind->text(), caption);
        QCOMPARE(d.iFoundPos, found);
    });
    QCOMPARE(f.editor()->Text(), expected);
    if (expected == text) {
        QCOMPARE(f.messages->shown.last().prompt, kNotFound);
    } else {
        QVERIFY(f.messages->shown.isEmpty()); // silent
        f.editor()->undo();
        QCOMPARE(f.editor()->Text(), text); // one step undoes every replacement
    }
    if (rich)
        QCOMPARE(f.editor()->SelAlignment(), std::optional<int>(platform::RichTextBox::Center));
    QVERIFY(f.editor()->hwnd()->updatesEnabled());
}

void tst_find::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("remembered");
    QTest::newRow("Cancel") << "cancel" << "abc" << true << "abc";
    QTest::newRow("Cancel with an empty box") << "cancel" << "" << true << "";
    QTest::newRow("Esc in the search box") << "esc" << "abc" << true << "old";
    QTest::newRow("close box") << "close" << "abc" << true << "old";
    QTest::newRow("Esc elsewhere") << "esc elsewhere" << "abc" << false << "old";
}

void tst_find::closing()
{
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(bool, closes);
    QFETCH(QString, remembered);
    HostFixture f;
    modFind::sLastFindString = "old";
    withDialog(f, [&](frmFind& d) {
        d.txtFindString->clear();
        QTest::keyClicks(d.txtFindString, typed);
        if (how == "cancel")
            QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
        else if (how == "esc")
            QTest::keyClick(d.txtFindString, Qt::Key_Escape);
        else if (how == "close")
            d.close();
        else
            QTest::keyClick(d.txtReplaceString, Qt::Key_Escape);
        QCOMPARE(d.isVisible(), !closes);
    });
    QCOMPARE(modFind::sLastFindString, remembered);
}

void tst_find::repeatSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("findClicks"); // Find / Next clicks in the dialog before Cancel
    QTest::addColumn<QStringList>("presses");
    QTest::newRow("remembered only: from the top, then round again")
        << "abc abc abc" << "abc" << false << 0 << QStringList{"0+3", "4+3", "8+3", kNoMore, "0+3"};
    QTest::newRow("after Find / Next: one character after the last match")
        << "abc abc abc" << "abc" << false << 2 << QStringList{"8+3", kNoMore, "0+3"};
    QTest::newRow("overlapping") << "aaa" << "aa" << false << 1 << QStringList{"1+2", kNoMore};
    QTest::newRow("after a failed Next: from the top") << "abc" << "abc" << false << 2 << QStringList{"0+3"};
    QTest::newRow("after String not found: from the top") << "ABC" << "abc" << true << 1 << QStringList{"0+3", kNoMore};
    QTest::newRow("closed dialog: any case") << "ABC abc" << "ABC" << true << 1 << QStringList{"4+3", kNoMore};
    QTest::newRow("nothing at all") << "xyz" << "abc" << false << 0 << QStringList{kNoMore, kNoMore};
}

void tst_find::repeatSearch()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(bool, matchCase);
    QFETCH(int, findClicks);
    QFETCH(QStringList, presses);
    HostFixture f;
    setText(f, text);
    modFind::sLastFindString = search;
    withDialog(f, [&](frmFind& d) {
        d.chkMatchCase->setChecked(matchCase);
        for (int i = 0; i < findClicks; ++i)
            d.cmdFind->click();
        d.cmdCancel->click();
    });
    f.messages->shown.clear();
    f.editor()->SetFocus();
    // F3 searches whatever modifier keys are held.
    const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ControlModifier, Qt::AltModifier,
                                          Qt::ShiftModifier | Qt::ControlModifier};
    QStringList seen;
    for (qsizetype i = 0; i < presses.size(); ++i)
        seen << pressF3(f, mods[i % std::size(mods)]);
    QCOMPARE(seen, presses);
    QCOMPARE(f.modal->shown.size(), 1); // with a remembered text F3 never shows the dialog
    QCOMPARE(modFind::FindForm(f).iFindFlags, 0);
}

void tst_find::repeatSearchWithNothingRememberedOpensTheDialog()
{
    HostFixture f;
    setText(f, "one two");
    f.editor()->setSelStart(4);
    f.editor()->setSelLength(3);
    QString inBox;
    f.modal->scripts << [&](QDialog& w) {
        auto& d = static_cast<frmFind&>(w);
        inBox = d.txtFindString->text();
        d.txtFindString->clear();
        d.cmdCancel->click(); // remembers the empty text
    };
    pressF3(f);
    QCOMPARE(inBox, QStringLiteral("two"));
    pressF3(f, Qt::ControlModifier); // still nothing remembered: the dialog again
    QCOMPARE(f.modal->shown, (QStringList{"frmFind", "frmFind"}));
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_find::f3LeavesItsShortcutsToTheirCommands()
{
    MainFixture f;
    setText(f, "abc abc");
    modFind::sLastFindString = "abc";
    auto* command = new QAction(f.main.get());
    command->setShortcut(QKeySequence(Qt::ShiftModifier | Qt::AltModifier | Qt::Key_F3));
    command->setShortcutContext(Qt::ApplicationShortcut);
    f.main->addAction(command);
    int triggered = 0;
    connect(command, &QAction::triggered, [&] { ++triggered; });
    f.editor()->setSelStart(2);
    QCOMPARE(pressF3(f, Qt::ShiftModifier | Qt::AltModifier), QStringLiteral("2+0")); // no search
    QCOMPARE(triggered, 1);
    command->setEnabled(false); // a disabled command leaves the key to the search
    QCOMPARE(pressF3(f, Qt::ShiftModifier | Qt::AltModifier), QStringLiteral("0+3"));
    // Shift+F3 types its tag and no more, even when Shift is let go before F3.
    f.editor()->setSelStart(7);
    QTest::keyPress(f.editor()->hwnd(), Qt::Key_F3, Qt::ShiftModifier);
    QTest::keyRelease(f.editor()->hwnd(), Qt::Key_F3, Qt::NoModifier);
    QVERIFY(f.editor()->Text().startsWith(QStringLiteral("abc abc<")));
    QCOMPARE(f.editor()->SelLength(), 0);
    QVERIFY(f.modal->shown.isEmpty() && f.messages->shown.isEmpty());
}

void tst_find::noDocumentNoDialog()
{
    HostFixture f;
    f.active()->close();
    QTRY_VERIFY(f.documents().isEmpty());
    modFind::sLastFindString = "abc";
    modFind::mnuEditFind_Click(f);
    modFind::mnuEditReplace_Click(f);
    modFind::RepeatSearch(f);
    QVERIFY(f.modal->shown.isEmpty());
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_find::longReplaceAllShowsProgressAndCancelTakesItBack()
{
    HostFixture f;
    const QString text = QStringLiteral("a needle in the hay\n").repeated(20000);
    setText(f, text);
    platform::setMomentMs(0);
    const auto restore = qScopeGuard([] { platform::setMomentMs(400); });
    // Watches for the progress window while the replacing runs; clicks its Cancel when asked.
    bool cancel = true, shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            shown = true;
            if (cancel)
                d->findChild<QPushButton*>()->click();
        }
    });
    watch.start(1);
    const auto replaceAll = [&] {
        withDialog(f, [&](frmFind& d) {
            d.txtFindString->setText("needle");
            d.txtReplaceString->setText("pin");
            d.cmdReplaceAll->click();
        }, true);
    };
    replaceAll();
    QVERIFY(shown);
    QCOMPARE(f.editor()->Text(), text);
    QVERIFY(f.messages->shown.isEmpty()); // the user's choice is no error
    QVERIFY(f.status.contains(QStringLiteral("cancelled")));
    QVERIFY(!f.editor()->isRedoAvailable());

    // Run to its end in many slices, it is still one undo step.
    cancel = shown = false;
    replaceAll();
    QVERIFY(shown);
    QCOMPARE(f.editor()->Text(), QString(text).replace(QStringLiteral("needle"), QStringLiteral("pin")));
    f.editor()->undo();
    QCOMPARE(f.editor()->Text(), text);
    QVERIFY(f.editor()->hwnd()->updatesEnabled());
}

void tst_find::offsetsBeyond16Bits()
{
    HostFixture f;
    const QString filler = (QString(79, u'x') + u'\n').repeated(500); // 40,000 characters
    setText(f, filler + " needle " + filler + " needle " + filler);
    const qsizetype first = 40001, second = 80009;
    modFind::sLastFindString = "needle";
    withDialog(f, [&](frmFind& d) {
        d.cmdFind->click();
        QCOMPARE(f.editor()->SelStart(), first);
        d.cmdFind->click();
        QCOMPARE(d.iFoundPos, second);
        QTest::keyClicks(d.txtReplaceString, "pin");
        d.cmdReplace->click();
        QCOMPARE(f.editor()->Text().mid(second, 4), QStringLiteral("pin "));
        d.cmdCancel->click();
    });
    QCOMPARE(pressF3(f), kNoMore);
    QCOMPARE(pressF3(f), QStringLiteral("%1+6").arg(first));
    withDialog(f, [&](frmFind& d) {
        d.txtFindString->setText("x");
        QTest::keyClicks(d.txtReplaceString, "yz");
        d.cmdReplaceAll->click();
    });
    const QString text = f.editor()->Text();
    QCOMPARE(text.count(u'x'), 0);
    QCOMPARE(text.count(QStringLiteral("yz")), 3 * 500 * 79);
}

QTEST_MAIN(tst_find)
#include "tst_find.moc"
