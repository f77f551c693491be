#include "MainFixture.h"
#include "app/SettingsKeys.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using platform::Answer;

class tst_mainwindow : public QObject {
    Q_OBJECT
private slots:
    void firstRunDefaults();
    void badSettingsFallBackOneByOne();
    void windowOffEveryScreenComesBack();
    void untitledCounterNeverResets();
    void documentItemsStayEnabled();
    void onlyRealChangesMarkTheDocument();
    void closeQuestion_data();
    void closeQuestion();
    void confirmExit_data();
    void confirmExit();
    void unloadSavesLayout_data();
    void unloadSavesLayout();
    void droppedFilesOpenInOrder();
    void theDocumentUsedBeforeComesBack();
    void statusBarHasThreePanels();
};

void tst_mainwindow::firstRunDefaults()
{
    MainFixture f;
    frmMain& m = *f.main;
    QCOMPARE(m.pos(), QPoint(platform::toPixels(300), platform::toPixels(300)));
    QCOMPARE(m.size(), QSize(platform::toPixels(9500), platform::toPixels(6750)));
    QVERIFY(!(m.windowState() & Qt::WindowMaximized));
    QCOMPARE(m.BackColor(), 0);
    QVERIFY(m.tbToolBar->isVisible());
    QVERIFY(m.tbHTMLToolBar->isVisibleTo(&m));
    QVERIFY(m.sbStatusBar->isVisible());
    QCOMPARE(m.documents().size(), 1);
    frmDocument* doc = f.active();
    QVERIFY(doc);
    QCOMPARE(doc->Caption(), QStringLiteral("Untitled 1"));
    QVERIFY(doc->subWindow()->isMaximized());
    QCOMPARE(doc->rtfText->FontName(), QStringLiteral("Courier New"));
    QCOMPARE(doc->rtfText->FontSize(), 10.0);
    QCOMPARE(doc->rtfText->BackColor(), platform::kWindowBackground);
    QVERIFY(!doc->bIsDirty);
    QCOMPARE(m.frmD.data(), doc);
}

void tst_mainwindow::badSettingsFallBackOneByOne()
{
    MainFixture f({{keys::MainBackColor, "red"},
                   {keys::MainLeft, "left"},
                   {keys::MainTop, "1e99"},
                   {keys::MainWidth, "-5"},
                   {keys::MainHeight, ""},
                   {keys::DocBackColor, "x"},
                   {keys::FontSize, "-4"},
                   {keys::DocForeColor, "16777216"},
                   {keys::MainToolbar, "FALSE"}});
    frmMain& m = *f.main;
    QCOMPARE(m.BackColor(), 0);
    QCOMPARE(m.pos().x(), platform::toPixels(300));
    QCOMPARE(m.width(), platform::toPixels(9500));
    QVERIFY(!m.tbToolBar->isVisible()); // the valid value after the bad ones still applies
    QCOMPARE(m.documents().size(), 1);
    QCOMPARE(f.editor()->BackColor(), platform::kWindowBackground);
    QCOMPARE(f.editor()->FontSize(), 10.0);
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_mainwindow::windowOffEveryScreenComesBack()
{
    MainFixture f({{keys::MainLeft, "9000000"}, {keys::MainTop, "-9000000"}});
    const QRect frame(f.main->pos(), f.main->size());
    bool onScreen = false;
    for (const QScreen* s : QGuiApplication::screens())
        onScreen = onScreen || s->availableGeometry().intersects(frame);
    QVERIFY(onScreen);
}

void tst_mainwindow::untitledCounterNeverResets()
{
    MainFixture f;
    f.trigger("mnuFileNew");
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 2"));
    for (frmDocument* doc : f.main->documents())
        doc->subWindow()->close();
    QVERIFY(f.main->documents().isEmpty());
    f.trigger("mnuFileNew");
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 3"));
}

void tst_mainwindow::documentItemsStayEnabled()
{
    MainFixture f;
    QVERIFY(f.main->action("mnuFileClose")->isEnabled());
    f.main->DisableMenuItems();
    QVERIFY(!f.main->action("mnuFileClose")->isEnabled());
    QVERIFY(!f.main->action("mnuFileSave")->isEnabled());
    QVERIFY(f.main->action("mnuFileNew")->isEnabled()); // not one of the document items
    f.main->LoadNewDoc();
    QVERIFY(f.main->action("mnuFileSaveAs")->isEnabled());
    for (frmDocument* doc : f.main->documents())
        doc->subWindow()->close();
    QVERIFY(f.main->action("mnuFileSave")->isEnabled()); // closing the last one changes nothing
    // With no document a command that needs one reports the standard error.
    f.trigger("mnuFileClose");
    QCOMPARE(f.messages->shown.size(), 1);
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("mnuFileClose_Click"));
    QVERIFY(f.messages->shown[0].prompt.startsWith(QStringLiteral("Error: 91. ")));
}

void tst_mainwindow::onlyRealChangesMarkTheDocument()
{
    MainFixture f;
    frmDocument* doc = f.active();
    f.type("ab\ncd");
    QVERIFY(doc->bIsDirty);
    doc->bIsDirty = false;
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Up);
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_End, Qt::ShiftModifier);
    f.editor()->setSelStart(1);
    QVERIFY(!doc->bIsDirty); // moving and selecting changes nothing
    QTest::keyClick(f.editor()->hwnd(), Qt::Key_Backspace);
    QVERIFY(doc->bIsDirty);
    doc->bIsDirty = false;
    f.editor()->setSelStart(0);
    f.editor()->setSelLength(2);
    f.editor()->setSelBold(true);
    QVERIFY(doc->bIsDirty); // formatting is a change
}

void tst_mainwindow::closeQuestion_data()
{
    QTest::addColumn<bool>("titled");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveAsName"); // what the Save As dialog answers, if it shows
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");
    QTest::newRow("no") << false << int(Answer::No) << QString() << true << false;
    QTest::newRow("cancel") << false << int(Answer::Cancel) << QString() << false << false;
    QTest::newRow("yes untitled, dialog cancelled") << false << int(Answer::Yes) << QString() << false << false;
    QTest::newRow("yes untitled, saved") << false << int(Answer::Yes) << "new.txt" << true << true;
    QTest::newRow("yes titled") << true << int(Answer::Yes) << QString() << true << true;
}

void tst_mainwindow::closeQuestion()
{
    QFETCH(bool, titled);
    QFETCH(int, answer);
    QFETCH(QString, saveAsName);
    QFETCH(bool, closes);
    QFETCH(bool, written);
    MainFixture f;
    frmDocument* doc = f.active();
    const QString path = f.path(titled ? "old.txt" : saveAsName);
    if (titled) {
        writeFile(path, "old");
        doc->setCaption(path);
    }
    f.type("text");
    f.messages->answers << Answer(answer);
    if (!titled)
        f.dialogs->fileAnswers << (saveAsName.isEmpty() ? QString() : path);
    QPointer<frmDocument> guard(doc);
    const QString caption = doc->Caption();
    f.trigger("mnuFileClose");
    QCOMPARE(f.messages->shown.size(), 1);
    const auto& box = f.messages->shown[0];
    QCOMPARE(box.prompt, caption + " has been modified.  Would you like to save the changes?");
    QCOMPARE(box.title, QStringLiteral("Quiple"));
    QCOMPARE(box.icon, platform::Icon::Exclamation);
    QCOMPARE(box.buttons, platform::Buttons::YesNoCancel);
    QTRY_COMPARE(guard.isNull(), closes);
    if (!closes) {
        QVERIFY(doc->bIsDirty);
        QCOMPARE(doc->Caption(), caption);
    }
    if (written)
        QCOMPARE(readFile(path), QByteArray("text"));
    if (!titled && answer == int(Answer::Yes))
        QCOMPARE(f.dialogs->fileRequests.value(0).title, QStringLiteral("Save As"));
}

void tst_mainwindow::confirmExit_data()
{
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("quits");
    QTest::newRow("absent") << QString() << -1 << true;
    QTest::newRow("yes, answered yes") << "YES" << int(Answer::Yes) << true;
    QTest::newRow("yes, answered no") << "YES" << int(Answer::No) << false;
    QTest::newRow("lower case counts as no") << "yes" << -1 << true;
}

void tst_mainwindow::confirmExit()
{
    QFETCH(QString, confirm);
    QFETCH(int, answer);
    QFETCH(bool, quits);
    QList<QPair<QString, QString>> seed;
    if (!confirm.isNull())
        seed.append({keys::ConfirmExit, confirm});
    MainFixture f(seed);
    f.type("x"); // a modified document: asked only when the quit goes on
    if (answer >= 0)
        f.messages->answers << Answer(answer);
    f.messages->answers << Answer::No;
    f.trigger("mnuFileExit");
    QCOMPARE(f.main->isVisible(), !quits);
    const int boxes = (answer >= 0 ? 1 : 0) + (quits ? 1 : 0);
    QCOMPARE(f.messages->shown.size(), boxes);
    if (answer >= 0) {
        QCOMPARE(f.messages->shown[0].prompt, QStringLiteral("Are you sure you want to quit?"));
        QCOMPARE(f.messages->shown[0].title, QStringLiteral("Confirm exit..."));
        QCOMPARE(f.messages->shown[0].icon, platform::Icon::Question);
    }
    QCOMPARE(f.setting(keys::MainLeft).isEmpty(), !quits);
}

void tst_mainwindow::unloadSavesLayout_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("normal") << int(Qt::WindowNoState);
    QTest::newRow("maximized") << int(Qt::WindowMaximized);
    QTest::newRow("minimized") << int(Qt::WindowMinimized);
}

void tst_mainwindow::unloadSavesLayout()
{
    QFETCH(int, state);
    MainFixture f;
    f.main->tbHTMLToolBar->hide();
    f.main->move(40, 50);
    f.main->setWindowState(Qt::WindowStates(state));
    f.trigger("mnuFileExit");
    QVERIFY(!f.main->isVisible());
    switch (state) {
    case Qt::WindowNoState:
        QCOMPARE(f.setting(keys::MDIMaximized), QStringLiteral("FALSE"));
        QCOMPARE(f.setting(keys::MainLeft), QString::number(float(platform::toTwips(40))));
        QCOMPARE(f.setting(keys::MainWidth), QString::number(float(platform::toTwips(f.main->width()))));
        QCOMPARE(f.setting(keys::HTMLToolbar), QStringLiteral("FALSE"));
        QCOMPARE(f.setting(keys::MainToolbar), QStringLiteral("TRUE"));
        QCOMPARE(f.setting(keys::MainBackColor), QStringLiteral("0"));
        break;
    case Qt::WindowMaximized:
        QCOMPARE(f.setting(keys::MDIMaximized), QStringLiteral("TRUE"));
        QVERIFY(f.setting(keys::MainLeft).isEmpty());
        QCOMPARE(f.setting(keys::HTMLToolbar), QStringLiteral("FALSE"));
        break;
    default:
        QVERIFY(f.setting(keys::MDIMaximized).isEmpty());
        QVERIFY(f.setting(keys::HTMLToolbar).isEmpty());
        break;
    }
}

void tst_mainwindow::droppedFilesOpenInOrder()
{
    MainFixture f;
    writeFile(f.path("a.txt"), "A");
    writeFile(f.path("c.txt"), "C");
    f.main->MDIForm_OLEDragDrop({f.path("a.txt"), f.path("missing.txt"), f.path("c.txt")});
    const QList<frmDocument*> docs = f.main->documents();
    QCOMPARE(docs.size(), 3); // Untitled 1, a.txt, c.txt: the failed one's window is gone
    QCOMPARE(docs[1]->Caption(), f.path("a.txt"));
    QCOMPARE(docs[2]->Caption(), f.path("c.txt"));
    QCOMPARE(docs[2]->rtfText->Text(), QStringLiteral("C"));
    QVERIFY(!docs[2]->bIsDirty);
    QCOMPARE(f.active(), docs[2]);
    QCOMPARE(f.messages->shown.size(), 1);
    QVERIFY(f.messages->shown[0].prompt.contains(f.path("missing.txt")));
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("MDIForm_OLEDragDrop"));
}

void tst_mainwindow::theDocumentUsedBeforeComesBack()
{
    MainFixture f;
    f.main->LoadNewDoc();
    f.main->LoadNewDoc();
    const QList<frmDocument*> docs = f.main->documents(); // A, B, C
    f.main->mdiArea()->setActiveSubWindow(docs[1]->subWindow());
    f.dialogs->fileAnswers << QString(); // File > Open, cancelled: its new window goes again
    f.trigger("mnuFileOpen");
    QTRY_COMPARE(f.main->documents().size(), 3);
    QCOMPARE(f.active(), docs[1]);
    f.main->mdiArea()->setActiveSubWindow(docs[2]->subWindow());
    f.trigger("mnuFileClose");
    QTRY_COMPARE(f.main->documents().size(), 2);
    QCOMPARE(f.active(), docs[1]);
}

void tst_mainwindow::statusBarHasThreePanels()
{
    MainFixture f;
    auto* date = f.main->findChild<QLabel*>("sbStatusBarDate");
    auto* time = f.main->findChild<QLabel*>("sbStatusBarTime");
    QVERIFY(date && time);
    QCOMPARE(date->text(), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    QVERIFY(!time->text().isEmpty());
    f.main->setStatusText("Saved: x");
    QCOMPARE(f.main->statusText(), QStringLiteral("Saved: x"));
}

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
