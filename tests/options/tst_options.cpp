#include "MainFixture.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"
#include "options/modFont.h"
#include "platform/Clipboard.h"
#include "platform/RichTextBox.h"

#include <QCheckBox>
#include <QDir>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTextDocument>
#include <QTest>

using Script = std::function<void(frmOptions&)>;

namespace {
// Opens Tools > Options and works it with the script.
void withOptions(MainFixture& f, const Script& script)
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
    void okWithoutChangesStoresNothing();
    void applyStoresEveryOptionAndActsAtOnce();
    void colorsGoToTheNewestDocumentFontToTheActive();
    void returnToDefaultsAndColourDialog();
    void sizeBoxTakesOnlyDigits();
    void unlistedFontIsShownAndKept();
    void pasteUpdatesColoursEvenWithoutTheNewestWindow();
    void pasteChangesNoOtherDocumentAndStoresNothing();
};

void tst_options::fontListsAreSortedAndComplete()
{
    MainFixture f;
    f.fonts->list = {"b font", "A font", "c font", "A font", QString::fromLatin1("Long\0tail", 9)};
    QList<modFont::FontListEntry> list;
    modFont::GetFonts(*f.fonts, list);
    QCOMPARE(list.size(), 5);
    QCOMPARE(list[4].faceName, QStringLiteral("Long"));
    const QStringList sizes = modFont::FontSizes();
    QCOMPARE(sizes.size(), 177);
    QCOMPARE(sizes.first(), QStringLiteral("4"));
    QCOMPARE(sizes.indexOf("100"), sizes.indexOf("99") + 1);
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
    // An empty store: the splash window shows first, and the styles file is already in place so
    // start-up does not restart.
    MainFixture f({{keys::SplashScreen, QString()}, {keys::UseXPThemes, QString()}}, {}, false);
    QDir().mkpath(f.path("Quiple"));
    writeFile(f.path("Quiple/quiple.exe.manifest"), "present");
    f.modal->scripts << [](QDialog& splash) { splash.accept(); };
    f.start();
    QCOMPARE(f.modal->shown, QStringList{"frmSplash"});
    withOptions(f, [](frmOptions& o) {
        QCOMPARE(o.windowTitle(), QStringLiteral("Quiple Options"));
        QCOMPARE(o.tbsOptions->currentIndex(), 0);
        QCOMPARE(o.tbsOptions->tabText(0), QStringLiteral("&General"));
        QCOMPARE(o.cboFontName->currentText(), QStringLiteral("Courier New"));
        QCOMPARE(o.cboFontSize->currentText(), QStringLiteral("10"));
        QVERIFY(!o.chkConfirmExit->isChecked());
        QVERIFY(o.chkSplashScreen->isChecked() && o.chkMaximizeAsDefault->isChecked());
        QVERIFY(o.chkSmartTabs->isChecked() && o.chkXPThemes->isChecked());
        QVERIFY(o.optUpperCase->isChecked());
        QCOMPARE(o.mainBackColor(), 0);
        QCOMPARE(o.docBackColor(), 16777215);
        QCOMPARE(o.textColor(), 0);
        QVERIFY(!o.cmdApply->isEnabled());
        QVERIFY(o.cmdOK->isDefault());
        QCOMPARE(o.cmdApply->text(), QStringLiteral("&Apply"));
    });
}

void tst_options::okWithoutChangesStoresNothing()
{
    MainFixture f({{keys::HTMLTagCase, "Uppercase"}});
    withOptions(f, [](frmOptions& o) {
        QVERIFY(o.optLowerCase->isChecked()); // not exactly "UPPERCASE"
        o.cmdOK->click();
    });
    QCOMPARE(f.setting(keys::ConfirmExit, "absent"), QStringLiteral("absent"));
    QCOMPARE(f.setting(keys::HTMLTagCase), QStringLiteral("Uppercase"));
}

void tst_options::applyStoresEveryOptionAndActsAtOnce()
{
    MainFixture f({{keys::HTMLTagCase, "Uppercase"}});
    QVERIFY(modMain::bUseSmartTabs);
    withOptions(f, [](frmOptions& o) {
        o.chkConfirmExit->click();
        o.chkConfirmExit->click(); // back to its old value: still a change
        QVERIFY(o.cmdApply->isEnabled());
        o.chkSmartTabs->click();
        o.cmdOK->click();
    });
    QCOMPARE(f.setting(keys::ConfirmExit), QStringLiteral("NO"));
    QCOMPARE(f.setting(keys::HTMLTagCase), QStringLiteral("lowercase"));
    QCOMPARE(f.setting(keys::UseSmartTabs), QStringLiteral("NO"));
    QCOMPARE(f.setting(keys::SplashScreen), QStringLiteral("NO"));
    QCOMPARE(f.setting(keys::FontName), QStringLiteral("Courier New"));
    QCOMPARE(f.setting(keys::FontSize), QStringLiteral("10"));
    QVERIFY(!modMain::bUseSmartTabs); // at once
    modMain::bUseSmartTabs = true;
    // Reopened: read afresh from the settings.
    withOptions(f, [](frmOptions& o) { QVERIFY(!o.chkSmartTabs->isChecked()); });
}

void tst_options::colorsGoToTheNewestDocumentFontToTheActive()
{
    MainFixture f;
    frmDocument* first = f.active();
    f.main->LoadNewDoc();
    frmDocument* second = f.active();
    f.main->mdiArea()->setActiveSubWindow(first->subWindow());
    f.dialogs->colorAnswers << QColor(10, 20, 30);
    withOptions(f, [](frmOptions& o) {
        o.cmdSetDocBackColor->click();
        o.cboFontName->setCurrentIndex(o.cboFontName->findText("Mono"));
        Q_EMIT o.cboFontName->activated(o.cboFontName->currentIndex());
        o.cboFontSize->setEditText("14");
        o.cmdApply->click();
        QVERIFY(!o.cmdApply->isEnabled());
        o.cmdCancel->click(); // what was applied stays
    });
    const platform::ColorValue picked = platform::rgbValue(10, 20, 30);
    QCOMPARE(second->rtfText->BackColor(), picked);
    QCOMPARE(first->rtfText->BackColor(), platform::kWindowBackground);
    QCOMPARE(first->rtfText->FontName(), QStringLiteral("Mono"));
    QCOMPARE(first->rtfText->FontSize(), 14.0);
    QCOMPARE(f.setting(keys::DocBackColor), QString::number(picked));
    // A new document takes them from the settings.
    f.main->LoadNewDoc();
    QCOMPARE(f.editor()->BackColor(), picked);
    QCOMPARE(f.editor()->FontName(), QStringLiteral("Mono"));
}

void tst_options::returnToDefaultsAndColourDialog()
{
    MainFixture f;
    f.dialogs->colorAnswers << QColor(255, 0, 0) << std::nullopt;
    withOptions(f, [](frmOptions& o) {
        o.cmdSetTextColor->click();
        for (QFrame* line : o.Lines)
            QCOMPARE(line->palette().color(QPalette::Window), QColor(255, 0, 0));
        o.cmdSetMainBackColor->click(); // cancelled: nothing changes, nothing is said
        QCOMPARE(o.mainBackColor(), 0);
        o.cmdApply->click();
    });
    QCOMPARE(f.setting(keys::DocForeColor), QStringLiteral("255"));
    // The colour dialog starts on the colour picked last in the run, not on the sample.
    QCOMPARE(f.dialogs->colorRequests.value(1), QColor(255, 0, 0));
    QVERIFY(f.messages->shown.isEmpty());
    withOptions(f, [](frmOptions& o) {
        o.cmdDefaultColors->click();
        QVERIFY(o.cmdApply->isEnabled());
        o.cmdOK->click();
    });
    QCOMPARE(f.setting(keys::DocBackColor), QStringLiteral("-2147483643"));
    QCOMPARE(f.setting(keys::MainBackColor), QStringLiteral("0"));
    QCOMPARE(f.setting(keys::DocForeColor), QStringLiteral("0"));
}

void tst_options::sizeBoxTakesOnlyDigits()
{
    MainFixture f({{keys::FontSize, "12"}});
    withOptions(f, [&](frmOptions& o) {
        QLineEdit* edit = o.cboFontSize->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, "16");
        QCOMPARE(o.cboFontSize->currentText(), QStringLiteral("16"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(o.cboFontSize->currentText(), QStringLiteral("1"));
        QTest::keyClicks(edit, "x");
        QCOMPARE(o.cboFontSize->currentText(), QStringLiteral("12")); // the stored size
        QCOMPARE(edit->cursorPosition(), 0);
        QTest::keyClicks(o.cboFontSize, "3y"); // typed with the focus on the box itself
        QCOMPARE(o.cboFontSize->currentText(), QStringLiteral("12"));
        QTest::keyClicks(edit, "4");
        for (const auto mods : {Qt::NoModifier, Qt::ShiftModifier}) // the keys that leave the box
            QTest::keyClick(edit, Qt::Key_Tab, mods);
        QTest::keyClick(edit, Qt::Key_Backtab);
        QCOMPARE(o.cboFontSize->currentText(), QStringLiteral("412"));
    });
    QCOMPARE(f.process->beeps, 2);
}

void tst_options::unlistedFontIsShownAndKept()
{
    MainFixture f({{keys::FontName, "Nowhere Sans"}});
    const int before = f.fonts->list.size();
    withOptions(f, [&](frmOptions& o) {
        QCOMPARE(o.cboFontName->count(), before); // not added to the list
        QCOMPARE(o.cboFontName->placeholderText(), QStringLiteral("Nowhere Sans"));
        QVERIFY(o.chkSplashScreen->isChecked() == false); // the rest still loaded
        o.chkConfirmExit->click();
        o.cmdOK->click();
    });
    QCOMPARE(f.setting(keys::FontName), QStringLiteral("Nowhere Sans"));
    QCOMPARE(f.setting(keys::ConfirmExit), QStringLiteral("YES"));
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_options::pasteUpdatesColoursEvenWithoutTheNewestWindow()
{
    MainFixture f({{keys::DocBackColor, "255"}, {keys::MainBackColor, "65280"}});
    f.main->LoadNewDoc();
    frmDocument* newest = f.active();
    frmDocument* older = f.main->documents().first();
    newest->subWindow()->close();
    QTRY_VERIFY(f.main->frmD.isNull());
    platform::setClipboardText("pasted");
    f.main->mdiArea()->setActiveSubWindow(older->subWindow());
    f.trigger("mnuEditPaste");
    QVERIFY(f.messages->shown.isEmpty());
    QCOMPARE(older->rtfText->Text(), QStringLiteral("pasted"));
    QCOMPARE(f.main->BackColor(), 65280);
    QCOMPARE(f.setting(keys::DocBackColor), QStringLiteral("255"));
    // The instance loaded hidden by Paste shows what it read then.
    f.seed(keys::ConfirmExit, "YES");
    withOptions(f, [](frmOptions& o) { QVERIFY(!o.chkConfirmExit->isChecked()); });
}

void tst_options::pasteChangesNoOtherDocumentAndStoresNothing()
{
    MainFixture f;
    frmDocument* older = f.active();
    f.main->LoadNewDoc();
    platform::RichTextBox& newest = *f.editor();
    newest.setSelText(QStringLiteral("red"));
    newest.setSelStart(0);
    newest.setSelLength(3);
    f.main->toolButton(f.main->tbToolBar, "Bold")->trigger(); // the newest document's own format
    f.active()->bIsDirty = false;
    const QString before = newest.document()->toHtml();
    f.main->mdiArea()->setActiveSubWindow(older->subWindow());
    platform::setClipboardText("pasted");
    f.trigger("mnuEditPaste");
    QCOMPARE(older->rtfText->Text(), QStringLiteral("pasted"));
    QCOMPARE(newest.document()->toHtml(), before);
    QVERIFY(!f.main->frmD->bIsDirty);
    for (const QString& key : {keys::MainBackColor, keys::DocBackColor, keys::DocForeColor})
        QCOMPARE(f.setting(key, "unset"), QStringLiteral("unset"));
}

QTEST_MAIN(tst_options)
#include "tst_options.moc"
