#include "HostFixture.h"
#include "document/frmDocument.h"
#include "find/MatchStatus.h"
#include "find/frmFind.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"
#include "platform/StepsWithProgress.h"
#include "platform/text/PlainView.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

namespace {

const QString kNotFound = QStringLiteral("String not found.");
const QString kNoMore = QStringLiteral("No more occurrences have been found.");

/// Opens the dialog with Edit > Find (or Replace) and works it with script.
void withDialog(HostFixture& f, const std::function<void(frmFind&)>& script, bool replace = false)
{
    f.modal->scripts << [script](QDialog& w) { script(static_cast<frmFind&>(w)); };
    replace ? modFind::mnuEditReplace_Click(f) : modFind::mnuEditFind_Click(f);
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

/// The marks the document shows, as the offsets where they start.
QList<qsizetype> marks(HostFixture& f)
{
    QList<qsizetype> out;
    for (const auto& [at, length] : qobject_cast<platform::PlainView*>(f.editor()->hwnd())->shownMatchMarks())
        out << at;
    return out;
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
    void openFillsTheSearchBox_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("expected");
        QTest::newRow("selection") << false << 4 << "" << "some";
        QTest::newRow("selection wins") << true << 4 << "older" << "some";
        QTest::newRow("remembered") << true << 0 << "older" << "older";
        QTest::newRow("nothing") << false << 0 << "" << "";
    }

    void openFillsTheSearchBox()
    {
        QFETCH(bool, replace);
        QFETCH(int, selectionLength);
        QFETCH(QString, remembered);
        QFETCH(QString, expected);
        HostFixture f;
        setText(f, "some words");
        f.editor()->setSelLength(selectionLength);
        modFind::sLastFindString = remembered;
        withDialog(f, [&](frmFind& d) { // what is set here does not come back next time
            d.chkMatchCase->setChecked(true);
            d.chkWholeWord->setChecked(true);
            QTest::keyClicks(d.txtReplaceString, "y");
        });
        withDialog(f, [&](frmFind& d) {
            QVERIFY(!d.chkMatchCase->isChecked() && !d.chkWholeWord->isChecked() && d.txtReplaceString->text().isEmpty());
            QCOMPARE(d.txtFindString->text(), expected);
            QCOMPARE(d.cmdFind->isEnabled(), !expected.isEmpty());
            QVERIFY(!d.cmdReplace->isEnabled());
        }, replace);
    }

    void findAndNext_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("flags"); // 2 whole word, 4 match case
        QTest::addColumn<QStringList>("clicks"); // what each click shows, then the caption; "R": Replace
        QTest::addColumn<QString>("replaced");  // the text after Replace with "dog"; empty: unchanged
        QTest::newRow("two words, then from the top again")
            << "abc abc" << "abc" << 0 << QStringList{"0+3 &Next", "4+3 &Next", kNoMore + " &Find", "0+3 &Next"} << "";
        QTest::newRow("overlapping") << "aaaa" << "aa" << 0
                                     << QStringList{"0+2 &Next", "1+2 &Next", "2+2 &Next", kNoMore + " &Find"} << "";
        QTest::newRow("any case") << "xx abc" << "ABC" << 0 << QStringList{"3+3 &Next"} << "";
        QTest::newRow("match case") << "xx abc" << "ABC" << 4 << QStringList{kNotFound + " &Find", kNotFound + " &Find"} << "";
        QTest::newRow("match case skips the others") << "Abc abc aBc" << "abc" << 4
                                                     << QStringList{"4+3 &Next", kNoMore + " &Find"} << "";
        QTest::newRow("whole word") << "abcd abc" << "abc" << 2 << QStringList{"5+3 &Next", kNoMore + " &Find"} << "";
        QTest::newRow("whole word, none") << "abcd" << "abc" << 2 << QStringList{kNotFound + " &Find"} << "";
        QTest::newRow("across lines") << "one\ntwo one\none" << "one" << 0
                                      << QStringList{"0+3 &Next", "8+3 &Next", "12+3 &Next", kNoMore + " &Find"} << "";
        QTest::newRow("Replace while it reads Find: the first") << "cat cat" << "cat" << 0
                                                                << QStringList{"R 3+0 &Find"} << "dog cat";
        QTest::newRow("Replace while it reads Next: the current match, beyond 16 bits")
            << QString(70000, u'x') + " cat cat" << "cat" << 0
            << QStringList{"70001+3 &Next", "70005+3 &Next", "R 70008+0 &Next", kNoMore + " &Find"}
            << QString(70000, u'x') + " cat dog";
        QTest::newRow("Replace after a failed Next: the first") << "cat cat" << "cat" << 0
            << QStringList{"0+3 &Next", "4+3 &Next", kNoMore + " &Find", "R 3+0 &Find"} << "dog cat";
        QTest::newRow("Replace, none") << "cow" << "cat" << 0 << QStringList{"R " + kNotFound + " &Find"} << "";
        QTest::newRow("Replace, empty search text") << "cat" << "" << 0 << QStringList{"R " + kNotFound + " &Find"} << "";
    }

    void findAndNext()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(int, flags);
        QFETCH(QStringList, clicks);
        QFETCH(QString, replaced);
        HostFixture f;
        setText(f, text);
        modFind::sLastFindString = search;
        QStringList seen;
        withDialog(f, [&](frmFind& d) {
            d.chkWholeWord->setChecked(flags & 2);
            d.chkMatchCase->setChecked(flags & 4);
            QTest::keyClicks(d.txtReplaceString, "dog");
            for (const QString& click : clicks) {
                const qsizetype boxes = f.messages->shown.size();
                const bool replace = click.startsWith("R ");
                QTest::mouseClick(replace ? d.cmdReplace : d.cmdFind, Qt::LeftButton);
                seen << (replace ? "R " : "") + outcome(f, boxes) + u' ' + d.cmdFind->text();
            }
            QCOMPARE(d.iFindFlags, flags);
            QVERIFY(d.isVisible()); // messages leave the dialog open
        });
        QCOMPARE(seen, clicks);
        QCOMPARE(f.editor()->Text(), replaced.isEmpty() ? text : replaced);
    }

    void editingTheSearchTextStartsOver()
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
            QCOMPARE(d.cmdFind->text(), QStringLiteral("&Find"));
            d.cmdFind->click();
            QCOMPARE(f.editor()->SelStart(), 3); // from the top, not after the last match
            d.txtFindString->setText("b");
            QTest::keyClick(d.txtFindString, Qt::Key_Return); // Enter clicks Find
            QCOMPARE(outcome(f, 0), QStringLiteral("1+1"));
            QCOMPARE(d.cmdFind->text(), QStringLiteral("&Next"));
            d.cmdCancel->click();
        });
        QCOMPARE(modFind::sLastFindString, QStringLiteral("b")); // Cancel remembers the text for F3
    }

    void replaceAll_data()
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

    void replaceAll()
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

    void replaceAllRunsOnThroughLongText()
    {
        // Over two million characters, so that the work goes on past the first stretch of text,
        // with a match across the stretch's end (the first stretch starts at the first match).
        HostFixture f;
        const QString text = QStringLiteral("xxxxneedle").repeated(220000);
        setText(f, text);
        platform::StepBudget::setUnits(1000000);
        const auto restore = qScopeGuard([] { platform::StepBudget::setUnits(0); });
        withDialog(f, [&](frmFind& d) {
            d.txtFindString->setText("needle");
            d.txtReplaceString->setText("pin");
            d.cmdReplaceAll->click();
        });
        QCOMPARE(f.editor()->Text(), QStringLiteral("xxxxpin").repeated(220000));
        f.editor()->undo();
        QCOMPARE(f.editor()->Text(), text);
    }

    void longReplaceAllShowsProgressAndCancelTakesItBack()
    {
        HostFixture f;
        const QString text = QStringLiteral("a needle in the hay\n").repeated(20000);
        setText(f, text);
        // Twenty steps of a thousand replacements, the window up after the first, on any machine.
        platform::setMomentMs(0);
        platform::StepBudget::setUnits(1000);
        const auto restore = qScopeGuard([] {
            platform::setMomentMs(400);
            platform::StepBudget::setUnits(0);
        });
        ProgressCanceller cancel;
        const auto replaceAll = [&] {
            withDialog(f, [&](frmFind& d) {
                d.txtFindString->setText("needle");
                d.txtReplaceString->setText("pin");
                d.cmdReplaceAll->click();
            }, true);
        };
        replaceAll();
        QVERIFY(cancel.shown);
        QCOMPARE(f.editor()->Text(), text);
        QVERIFY(f.messages->shown.isEmpty() && f.status.contains("cancelled")); // the user's choice is no error
        QVERIFY(!f.editor()->isRedoAvailable());

        // Run to its end in many slices, it is still one undo step.
        cancel.armed = cancel.shown = false;
        replaceAll();
        QVERIFY(cancel.shown);
        const QString replaced = QString(text).replace(QStringLiteral("needle"), QStringLiteral("pin"));
        QCOMPARE(f.editor()->Text(), replaced);

        // Its undo and redo go in parts too, and a cancelled one leaves the text and the step.
        platform::StepBudget::setUnits(3);
        cancel.armed = true;
        cancel.shown = false;
        f.editor()->undo();
        QVERIFY(cancel.shown);
        QCOMPARE(f.editor()->Text(), replaced);
        QVERIFY(f.editor()->isUndoAvailable() && !f.editor()->isRedoAvailable());
        cancel.armed = cancel.shown = false;
        f.editor()->undo();
        QVERIFY(cancel.shown);
        QCOMPARE(f.editor()->Text(), text);
        QCOMPARE(f.editor()->SelStart(), 8); // behind the first needle, where the work began
        f.editor()->redo();
        QCOMPARE(f.editor()->Text(), replaced);
        QCOMPARE(f.editor()->SelStart(), 19999 * 17 + 5); // behind the last pin
        cancel.armed = true;
        f.editor()->undo();
        f.editor()->redo(); // nothing to redo: the cancelled undo took nothing away
        QCOMPARE(f.editor()->Text(), replaced);
        QVERIFY(f.editor()->hwnd()->updatesEnabled());
    }

    void repeatSearch_data()
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
        QTest::newRow("nothing remembered: the dialog each time") << "xyz" << "" << false << 0 << QStringList{"0+0", "0+0"};
        QTest::newRow("beyond 16 bits") << QString(70000, u'x') + " abc abc" << "abc" << false << 1
                                        << QStringList{"70005+3", kNoMore, "70001+3"};
    }

    void repeatSearch()
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
        // With a remembered text F3 never shows the dialog; without one, always.
        QCOMPARE(f.modal->shown.size(), search.isEmpty() ? 1 + presses.size() : 1);
        QCOMPARE(modFind::FindForm(f).iFindFlags, 0);
    }

    void statusSaysWhichMatchOfHowMany_data()
    {
        QTest::addColumn<int>("flags"); // 2 whole word, 4 match case
        QTest::addColumn<QStringList>("statuses"); // after each Find / Next click, then after F3s, in "cat Cat cat cats"
        QTest::newRow("match case") << 4 << QStringList{"Match 1 of 3", "Match 2 of 3", "Match 3 of 3", kNoMore,
                                                        "F3", "Match 1 of 4", "Match 2 of 4"};
        QTest::newRow("whole word and case") << 6 << QStringList{"Match 1 of 2", "Match 2 of 2", kNoMore};
        QTest::newRow("whole word, closed with the first found")
            << 2 << QStringList{"Match 1 of 3", "F3", "Match 2 of 4", "Match 3 of 4"}; // F3 searches in any case
    }

    void statusSaysWhichMatchOfHowMany()
    {
        QFETCH(int, flags);
        QFETCH(QStringList, statuses);
        HostFixture f;
        setText(f, "cat Cat cat cats");
        modFind::sLastFindString = "cat";
        QStringList seen;
        qsizetype i = 0;
        withDialog(f, [&](frmFind& d) {
            d.chkWholeWord->setChecked(flags & 2);
            d.chkMatchCase->setChecked(flags & 4);
            for (; i < statuses.size() && statuses[i] != "F3"; ++i) {
                const qsizetype boxes = f.messages->shown.size();
                d.cmdFind->click();
                seen << (f.messages->shown.size() > boxes ? f.messages->shown.last().prompt : f.status);
            }
            const QList<qsizetype> shown = flags == 6 ? QList<qsizetype>{0, 8}
                                           : flags == 4 ? QList<qsizetype>{0, 8, 12}
                                                        : QList<qsizetype>{0, 4, 8};
            QCOMPARE(marks(f), shown);
            d.cmdCancel->click();
        });
        if (i < statuses.size())
            seen << statuses[i++];
        for (f.editor()->SetFocus(); i < statuses.size(); ++i)
            seen << (pressF3(f), f.status);
        QCOMPARE(seen, statuses);
        QVERIFY(!marks(f).isEmpty()); // a search was made: the marks stay
        f.type("x");
        QVERIFY(marks(f).isEmpty());
    }

    void marksWithoutASearchGoWithTheDialog()
    {
        HostFixture f;
        setText(f, "dog cat dog");
        withDialog(f, [&](frmFind& d) {
            QTest::keyClicks(d.txtFindString, "dog");
            QCOMPARE(marks(f), (QList<qsizetype>{0, 8}));
            d.chkMatchCase->setChecked(true);
            d.txtFindString->setText("Dog");
            QVERIFY(marks(f).isEmpty());
            d.txtFindString->setText("cat");
            QCOMPARE(marks(f), QList<qsizetype>{4});
            d.cmdCancel->click();
        });
        QVERIFY(marks(f).isEmpty()); // no search was made
        QVERIFY(f.status.isEmpty());
    }

    void aLargeDocumentIsCountedAside()
    {
        HostFixture f;
        setText(f, QStringLiteral("cat scat ").repeated(40000)); // beyond what is counted at once
        QVERIFY(f.editor()->TextLength() > MatchStatus::kCountAtOnce);
        withDialog(f, [&](frmFind& d) {
            d.txtFindString->setText("cat");
            d.chkWholeWord->setChecked(true);
            d.cmdFind->click();
            d.cmdFind->click();
            QCOMPARE(f.status, QStringLiteral("Match 2")); // until the count is known
            QTRY_COMPARE_WITH_TIMEOUT(f.status, QStringLiteral("Match 2 of 40000"), 60000);
            d.cmdFind->click();
            QCOMPARE(f.status, QStringLiteral("Match 3"));
            // An edit that leaves the match selected still makes the count stale.
            qobject_cast<platform::PlainView*>(f.editor()->hwnd())->replace(f.editor()->TextLength(), 0, u"cat");
            QTRY_VERIFY_WITH_TIMEOUT(!modFind::FindForm(f).matchStatus().counting(), 60000);
            QCoreApplication::processEvents();
            QCOMPARE(f.status, QStringLiteral("Match 3"));
            d.cmdCancel->click();
        });
    }

    void f3LeavesItsShortcutsToTheirCommands()
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
        QVERIFY(f.modal->shown.isEmpty() && f.messages->shown.isEmpty());
    }
};

QTEST_MAIN(tst_find)
#include "tst_find.moc"
