#include "MainFixture.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"
#include "options/modFont.h"
#include "platform/Clipboard.h"
#include "platform/RichTextBox.h"
#include "platform/text/PlainView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>

namespace {
// Opens Tools > Options and works it with the script.
void withOptions(MainFixture& f, const std::function<void(frmOptions&)>& script)
{
    f.modal->scripts << [script](QDialog& d) { script(static_cast<frmOptions&>(d)); };
    f.trigger("mnuToolsOptions");
}
} // namespace

class tst_options : public QObject {
    Q_OBJECT
private slots:
    void fontListsAreSortedAndComplete();
    void firstOpeningShowsTheDefaults();
    void okStoresEveryOptionOnceChangedAndActsAtOnce();
    void storedSettingsShowAndTypedOnesAreStored();
    void coloursGoToTheNewestDocumentFontToTheActive();
    void pasteReadsTheColoursAndChangesNoOtherDocument();
    void editorTabSetsTabStopsAndSpaces();
};

void tst_options::fontListsAreSortedAndComplete()
{
    MainFixture f;
    f.fonts->list = {"b font", "A font", "c font", "A font", QString::fromLatin1("Long\0tail", 9)};
    const QStringList sizes = modFont::FontSizes();
    QCOMPARE(sizes.mid(0, 2) + sizes.mid(95, 2) + sizes.mid(175), // in order of size, not of text
             (QStringList{"4", "5", "99", "100", "179", "180"}));
    withOptions(f, [](frmOptions& o) {
        QStringList names;
        for (int i = 0; i < o.cboFontName->count(); ++i)
            names << o.cboFontName->itemText(i);
        QCOMPARE(names, (QStringList{"A font", "A font", "b font", "c font", "Long"}));
        QCOMPARE(o.cboFontSize->count(), 177);
    });
}

void tst_options::firstOpeningShowsTheDefaults()
{
    // An empty store (the splash window shows first; the styles file is in place: no restart).
    MainFixture f({{QStringLiteral("SplashScreen"), QString()}, {"UseXPThemes", QString()}}, {}, false);
    QDir().mkpath(f.path("Quiple"));
    writeFile(f.path("Quiple/quiple.exe.manifest"), "present");
    f.modal->scripts << [](QDialog& splash) { splash.accept(); };
    f.start();
    QCOMPARE(f.modal->shown, QStringList{"frmSplash"});
    withOptions(f, [](frmOptions& o) {
        QCOMPARE(o.windowTitle() + '|' + o.tbsOptions->tabText(0) + '|' + o.cmdApply->text(),
                 QStringLiteral("Quiple Options|&General|&Apply"));
        QCOMPARE(o.cboFontName->currentText() + ' ' + o.cboFontSize->currentText(), QStringLiteral("Courier New 10"));
        QCOMPARE((QList<bool>{o.chkConfirmExit->isChecked(), o.chkSplashScreen->isChecked(), o.chkMaximizeAsDefault->isChecked(),
                              o.chkSmartTabs->isChecked(), o.chkXPThemes->isChecked(), o.optUpperCase->isChecked()}),
                 (QList<bool>{false, true, true, true, true, true}));
        QCOMPARE((QList<int>{o.mainBackColor(), o.docBackColor(), o.textColor()}), (QList<int>{0, 16777215, 0}));
        QVERIFY(o.tbsOptions->currentIndex() == 0 && !o.cmdApply->isEnabled() && o.cmdOK->isDefault());
    });
}

void tst_options::okStoresEveryOptionOnceChangedAndActsAtOnce()
{
    MainFixture f({{QStringLiteral("HTMLTagCase"), "Uppercase"}, {"FontName", "Nowhere Sans"}});
    const int fonts = f.fonts->list.size();
    withOptions(f, [&](frmOptions& o) {
        QVERIFY(o.optLowerCase->isChecked()); // not exactly "UPPERCASE"
        QCOMPARE(o.cboFontName->count(), fonts); // an unlisted font is shown, not added
        QCOMPARE(o.cboFontName->placeholderText(), QStringLiteral("Nowhere Sans"));
        o.cmdOK->click();
    });
    QCOMPARE(f.setting("ConfirmExit", "absent"), QStringLiteral("absent")); // no change, nothing stored
    QCOMPARE(f.setting("HTMLTagCase"), QStringLiteral("Uppercase"));
    withOptions(f, [&](frmOptions& o) {
        o.chkConfirmExit->click();
        o.chkConfirmExit->click(); // back to its old value: still a change
        QVERIFY(o.cmdApply->isEnabled());
        o.chkSmartTabs->click();
        o.chkSplashScreen->click();
        o.cmdOK->click();
    });
    QStringList stored;
    for (const char* key : {"ConfirmExit", "HTMLTagCase", "UseSmartTabs", "SplashScreen", "UseXPThemes",
                            "MaximizeAsDefault", "FontName", "FontSize"})
        stored << key + QStringLiteral("=") + f.setting(key);
    QCOMPARE(stored.join(' '), QStringLiteral("ConfirmExit=NO HTMLTagCase=lowercase UseSmartTabs=NO SplashScreen=YES "
                                              "UseXPThemes=NO MaximizeAsDefault=YES FontName=Nowhere Sans FontSize=10"));
    QVERIFY(!modMain::bUseSmartTabs); // at once
    modMain::bUseSmartTabs = true;
    withOptions(f, [](frmOptions& o) { QVERIFY(!o.chkSmartTabs->isChecked()); }); // read afresh
}

void tst_options::storedSettingsShowAndTypedOnesAreStored()
{
    MainFixture f({{QStringLiteral("ConfirmExit"), "YES"}, {"SplashScreen", "NO"}, {"HTMLTagCase", "lowercase"},
                   {"MaximizeAsDefault", "NO"}, {"UseSmartTabs", "NO"}, {"UseXPThemes", "NO"}, {"FontName", "Mono"},
                   {"FontSize", "14"}, {"MainBackColor", "255"}, {"DocBackColor", "65280"}, {"DocForeColor", "16711680"}});
    withOptions(f, [&](frmOptions& o) {
        QCOMPARE((QList<bool>{o.chkConfirmExit->isChecked(), o.chkSplashScreen->isChecked(), o.chkMaximizeAsDefault->isChecked(),
                              o.chkSmartTabs->isChecked(), o.chkXPThemes->isChecked(), o.optUpperCase->isChecked()}),
                 (QList<bool>{true, false, false, false, false, false}));
        QCOMPARE(o.cboFontName->currentText() + ' ' + o.cboFontSize->currentText(), QStringLiteral("Mono 14"));
        QCOMPARE((QList<int>{o.mainBackColor(), o.docBackColor(), o.textColor()}), (QList<int>{255, 65280, 16711680}));
        // The user picks the next font down, and types a size: a letter puts the stored one back.
        QTest::keyClick(o.cboFontName, Qt::Key_Down);
        QLineEdit* size = o.cboFontSize->lineEdit();
        size->selectAll();
        QTest::keyClicks(size, "2x");
        QCOMPARE(size->text() + ' ' + QString::number(size->cursorPosition()), QStringLiteral("14 0"));
        size->selectAll();
        QTest::keyClicks(size, "2");
        QTest::keyClick(size, Qt::Key_Backspace);
        QTest::keyClicks(size, "19");
        QTest::keyClick(size, Qt::Key_Return); // OK
    });
    QCOMPARE(f.process->beeps, 1);
    QCOMPARE(f.setting("FontName") + ' ' + f.setting("FontSize") + ' ' + f.setting("ConfirmExit") + ' '
                 + f.setting("HTMLTagCase") + ' ' + f.setting("DocForeColor"),
             QStringLiteral("Sans 19 YES lowercase 16711680"));
    QVERIFY(f.editor()->FontName() == "Sans" && f.editor()->FontSize() == 19.0);
}

void tst_options::coloursGoToTheNewestDocumentFontToTheActive()
{
    MainFixture f;
    frmDocument* first = f.active();
    f.main->LoadNewDoc();
    frmDocument* second = f.active();
    f.main->mdiArea()->setActiveSubWindow(first->subWindow());
    f.dialogs->colorAnswers << QColor(10, 20, 30) << QColor(255, 0, 0) << std::nullopt;
    withOptions(f, [](frmOptions& o) {
        o.cmdSetDocBackColor->click();
        o.cmdSetTextColor->click();
        for (QFrame* line : o.Lines)
            QCOMPARE(line->palette().color(QPalette::Window), QColor(255, 0, 0));
        o.cmdSetMainBackColor->click(); // cancelled: nothing changes, nothing is said
        QCOMPARE(o.mainBackColor(), 0);
        o.cboFontName->setCurrentIndex(o.cboFontName->findText("Mono"));
        Q_EMIT o.cboFontName->activated(o.cboFontName->currentIndex());
        o.cboFontSize->setEditText("14");
        o.cmdApply->click();
        QVERIFY(!o.cmdApply->isEnabled());
        o.cmdCancel->click(); // what was applied stays
    });
    const platform::ColorValue picked = 10 + 20 * 256 + 30 * 65536;
    QVERIFY(second->rtfText->BackColor() == picked && first->rtfText->BackColor() == platform::kWindowBackground);
    QVERIFY(first->rtfText->FontName() == "Mono" && first->rtfText->FontSize() == 14.0);
    QCOMPARE(f.setting("DocBackColor") + ' ' + f.setting("DocForeColor"), QString::number(picked) + " 255");
    f.main->LoadNewDoc(); // a new document takes them from the settings
    QVERIFY(f.editor()->BackColor() == picked && f.editor()->FontName() == "Mono");
    // The colour dialog starts on the colour picked last in the run, not on the sample.
    QCOMPARE(f.dialogs->colorRequests.value(2), QColor(255, 0, 0));
    QVERIFY(f.messages->shown.isEmpty());
    withOptions(f, [](frmOptions& o) {
        o.cmdDefaultColors->click();
        QVERIFY(o.cmdApply->isEnabled());
        o.cmdOK->click();
    });
    QCOMPARE(f.setting("DocBackColor"), QStringLiteral("-2147483643"));
    QCOMPARE(f.setting("MainBackColor") + f.setting("DocForeColor"), QStringLiteral("00"));
}

void tst_options::pasteReadsTheColoursAndChangesNoOtherDocument()
{
    MainFixture f({{QStringLiteral("DocBackColor"), "255"}, {"MainBackColor", "65280"}});
    frmDocument* older = f.active();
    f.main->LoadNewDoc();
    platform::RichTextBox& newest = *f.editor();
    newest.setSelText(QStringLiteral("red"));
    QTest::keyClick(newest.hwnd(), Qt::Key_A, Qt::ControlModifier);
    f.main->toolButton(f.main->tbToolBar, "Bold")->trigger(); // the newest document's own format
    f.active()->bIsDirty = false;
    const QString before = newest.document()->toHtml();
    f.main->mdiArea()->setActiveSubWindow(older->subWindow());
    platform::setClipboardText("pasted");
    f.trigger("mnuEditPaste");
    QVERIFY(older->rtfText->Text() == "pasted" && newest.document()->toHtml() == before);
    QVERIFY(!f.main->frmD->bIsDirty && f.main->BackColor() == 65280);
    f.main->frmD->subWindow()->close(); // and without the newest window
    QTRY_VERIFY(f.main->frmD.isNull());
    f.main->mdiArea()->setActiveSubWindow(older->subWindow());
    f.trigger("mnuEditPaste");
    QVERIFY(older->rtfText->Text() == "pastedpasted" && f.messages->shown.isEmpty());
    QCOMPARE(f.setting("DocBackColor") + f.setting("DocForeColor", "/unset"), QStringLiteral("255/unset"));
    f.seed("ConfirmExit", "YES"); // the instance Paste loaded hidden keeps what it read then
    withOptions(f, [](frmOptions& o) { QVERIFY(!o.chkConfirmExit->isChecked()); });
}

void tst_options::editorTabSetsTabStopsAndSpaces()
{
    // A stored width that is no width shows the default; the choices reach every open document.
    MainFixture f({{QStringLiteral("TabWidth"), "0"}, {"UseSmartTabs", "YES"}});
    frmDocument* first = f.active();
    first->rtfText->setSelText("\tX\n    X");
    auto* view = qobject_cast<platform::PlainView*>(first->rtfText->hwnd());
    QVERIFY(view && view->characterRect(1).left() > view->characterRect(7).left()); // 8 wide
    f.main->LoadNewDoc();
    withOptions(f, [](frmOptions& o) {
        QCOMPARE(o.tbsOptions->tabText(3), "&Editor");
        QVERIFY(o.spnTabWidth->value() == 8 && !o.chkInsertSpaces->isChecked());
        o.spnTabWidth->setValue(4);
        o.chkInsertSpaces->click();
        o.cmdOK->click();
    });
    QCOMPARE(f.setting("TabWidth") + ' ' + f.setting("InsertSpaces"), "4 YES");
    // Behind a tab, X stands where four spaces put it, in the document that was open before.
    QCOMPARE(view->characterRect(1).left(), view->characterRect(7).left());
    for (const bool rich : {false, true}) {
        platform::RichTextBox& box = *f.editor();
        box.setSelStart(0), box.setSelLength(box.TextLength()), box.setSelText(" \tx");
        if (rich) {
            box.setSelStart(0), box.setSelLength(1), box.setSelBold(true), box.setSelStart(3);
            QVERIFY(box.isRichView());
        }
        // Tab fills up to the next stop; Enter copies the indent above as it is (a tab stays one).
        QTest::keyClick(box.hwnd(), Qt::Key_Tab);
        QTest::keyClick(box.hwnd(), Qt::Key_Return);
        QCOMPARE(box.Text(), " \tx   \n \t");
        // Lines are indented by four spaces and outdented by a tab or up to four spaces.
        box.setSelStart(0), box.setSelLength(box.TextLength());
        QTest::keyClick(box.hwnd(), Qt::Key_Tab);
        QCOMPARE(box.Text(), "     \tx   \n     \t");
        QTest::keyClick(box.hwnd(), Qt::Key_Backtab);
        QTest::keyClick(box.hwnd(), Qt::Key_Backtab);
        QCOMPARE(box.Text(), "\tx   \n\t");
    }
}

QTEST_MAIN(tst_options)
#include "tst_options.moc"
