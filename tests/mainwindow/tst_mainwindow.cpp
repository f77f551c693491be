#include "MainFixture.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using platform::Answer;

class tst_mainwindow : public QObject {
    Q_OBJECT
private slots:
    void defaultsStandInForAbsentOrBadSettings_data();
    void defaultsStandInForAbsentOrBadSettings();
    void untitledCounterAndTheDocumentUsedBefore();
    void fileDialogsOfferEveryFileType();
    void closeQuestion_data();
    void closeQuestion();
    void confirmExit_data();
    void confirmExit();
    void unloadSavesLayout_data();
    void unloadSavesLayout();
    void droppedFilesOpenInOrder_data();
    void droppedFilesOpenInOrder();
};

void tst_mainwindow::defaultsStandInForAbsentOrBadSettings_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("toolbar");
    QTest::newRow("first run") << QStringList() << true;
    // Each bad value falls back on its own; the valid one after them still applies.
    QTest::newRow("bad values") << QStringList{"MainBackColor=red", "MainLeft=left", "MainTop=1e99",
                                               "MainWidth=-5", "MainHeight=", "DocBackColor=x",
                                               "FontSize=-4", "DocForeColor=16777216", "MainToolbar=FALSE"}
                                << false;
    // Sizes the font list does not offer (4 to 180) would hide the text or fill the window.
    QTest::newRow("tiny font size") << QStringList{"FontSize=0.0001"} << true;
    QTest::newRow("vanishing font size") << QStringList{"FontSize=1e-300"} << true;
    QTest::newRow("below the list") << QStringList{"FontSize=3.9"} << true;
    QTest::newRow("above the list") << QStringList{"FontSize=181"} << true;
}

void tst_mainwindow::defaultsStandInForAbsentOrBadSettings()
{
    QFETCH(QStringList, stored);
    QFETCH(bool, toolbar);
    QList<QPair<QString, QString>> seed;
    for (const QString& s : stored)
        seed.append({s.section('=', 0, 0), s.section('=', 1)});
    MainFixture f(seed);
    frmMain& m = *f.main;
    QCOMPARE(QRect(m.pos(), m.size()), QRect(platform::toPixels(300), platform::toPixels(300),
                                             platform::toPixels(9500), platform::toPixels(6750)));
    QVERIFY(!(m.windowState() & Qt::WindowMaximized) && m.BackColor() == 0);
    QVERIFY(m.tbToolBar->isVisible() == toolbar && m.tbHTMLToolBar->isVisible() && m.sbStatusBar->isVisible());
    QCOMPARE(m.documents().size(), 1);
    frmDocument* doc = f.active();
    QVERIFY(doc->subWindow()->isMaximized() && !doc->bIsDirty && m.frmD.data() == doc);
    QCOMPARE(doc->rtfText->FontName() + ' ' + QString::number(doc->rtfText->FontSize()), "Courier New 10");
    QCOMPARE(doc->rtfText->BackColor(), platform::kWindowBackground);
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_mainwindow::untitledCounterAndTheDocumentUsedBefore()
{
    MainFixture f;
    f.trigger("mnuFileNew");
    f.trigger("mnuFileNew");
    const QList<frmDocument*> docs = f.main->documents();
    QCOMPARE(docs[2]->Caption(), QStringLiteral("Untitled 3"));
    f.main->mdiArea()->setActiveSubWindow(docs[1]->subWindow());
    f.dialogs->fileAnswers << QString(); // File > Open, cancelled: its new window goes again
    f.trigger("mnuFileOpen");
    QTRY_COMPARE(f.main->documents().size(), 3);
    QCOMPARE(f.active(), docs[1]); // the document used before comes back
    f.main->mdiArea()->setActiveSubWindow(docs[2]->subWindow());
    f.trigger("mnuFileClose");
    QTRY_COMPARE(f.main->documents().size(), 2);
    QCOMPARE(f.active(), docs[1]);
    for (frmDocument* doc : f.main->documents())
        doc->subWindow()->close();
    QTRY_VERIFY(f.main->documents().isEmpty());
    f.trigger("mnuFileNew");
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 5")); // the counter never resets
}

void tst_mainwindow::fileDialogsOfferEveryFileType()
{
    const QStringList descriptions = QStringLiteral(
        "All Files (*.*)|ASP Files (*.asp;*.aspx;*.asa;*.asax)|Assembly Files (*.asm;*.a86;*.ash;*.asi)|"
        "Basic Files (*.bas;*.frm;*.cls;*.vb;*.vbs;*.b;*.bi;*.inc;*.qbs;*.script)|Batch Files (*.bat;*.cmd)|"
        "C/C++ Files (*.cpp;*.c;*.cc;*.cxx;*.c++;*.c__;*.h;*.hh;*.hxx;*.h++;*.chh;*.hpp;*.h__)|C# Files (*.cs)|"
        "Cobol Files (*.cob;*.cbl;*.cpy)|Cold Fusion Files (*.cfc;*.cfm;*.cfml)|CSS Files (*.css;*.css1)|"
        "CSV Files (*.csv)|HTML Files (*.htm;*.html;*.htmls;*.htx;*.ht3;*.stm;*.shtml;*.xhtm;*.xhtml)|"
        "INI Files (*.ini)|Java Files (*.java;*.jav;*.j;*.js;*.jsp;*.jsp10;)|LATEX Files (*.tex;*.ltx)|"
        "Log Files (*.log)|Make Files (*.mak;*.make;*.mk)|Pascal Files (*.p;*.pas;*.pa3;*.pa4;*.pa5)|"
        "Perl Files (*.pl;*.perl;*.pm;*.ph;*.plx;*.prl;*.cgi)|"
        "PHP Files (*.php;*.ph2;*.php2;*.ph3;*.php3;*.ph4;*.php4;*.phl;*.phtm;*.phtml;*.pimg;*.inc)|"
        "Python Files (*.py;*.pyw)|Rich Text Files (*.rtf)|SQL Files (*.sql;*.ddl)|Text Files (*.txt;*.asc)|"
        "UNIX/Linux Script Files (*.sh;*.csh;*.cshrc)|XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.xdr;*.dcd;*.dtd)|"
        "All Files (*.*)").split('|');
    QStringList entries; // each description, then the patterns it shows in brackets
    for (const QString& d : descriptions)
        entries << d << d.section('(', -1).chopped(1);
    MainFixture f;
    QCOMPARE(f.main->FilterText, entries.join('|'));
}

void tst_mainwindow::closeQuestion_data()
{
    QTest::addColumn<bool>("titled");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveAsName"); // what the Save As dialog answers, if it shows
    QTest::addColumn<bool>("closes");
    QTest::newRow("no") << false << int(Answer::No) << QString() << true;
    QTest::newRow("cancel") << false << int(Answer::Cancel) << QString() << false;
    QTest::newRow("yes untitled, dialog cancelled") << false << int(Answer::Yes) << QString() << false;
    QTest::newRow("yes untitled, saved") << false << int(Answer::Yes) << "new.txt" << true;
    QTest::newRow("yes titled") << true << int(Answer::Yes) << QString() << true;
}

void tst_mainwindow::closeQuestion()
{
    QFETCH(bool, titled);
    QFETCH(int, answer);
    QFETCH(QString, saveAsName);
    QFETCH(bool, closes);
    const bool written = closes && answer == int(Answer::Yes);
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
    const auto box = f.messages->shown[0];
    QCOMPARE(box.prompt + '|' + box.title, caption + " has been modified.  Would you like to save the changes?|Quiple");
    QVERIFY(box.icon == platform::Icon::Exclamation && box.buttons == platform::Buttons::YesNoCancel);
    if (closes)
        QTRY_VERIFY(guard.isNull());
    else // still open: shown, with its changes and its name
        QVERIFY(guard && doc->subWindow()->isVisible() && doc->bIsDirty && doc->Caption() == caption);
    QCOMPARE(readFile(path), QByteArray(written ? "text" : titled ? "old" : ""));
    QCOMPARE(f.dialogs->fileRequests.value(0).title, QString(!titled && answer == int(Answer::Yes) ? "Save As" : ""));
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
    MainFixture f({{QStringLiteral("ConfirmExit"), confirm}});
    f.type("x"); // a modified document: asked only when the quit goes on
    if (answer >= 0)
        f.messages->answers << Answer(answer);
    f.messages->answers << Answer::No;
    f.trigger("mnuFileExit");
    QCOMPARE(f.main->isVisible(), !quits);
    QCOMPARE(f.messages->shown.size(), (answer >= 0 ? 1 : 0) + (quits ? 1 : 0));
    const auto box = f.messages->shown.value(0);
    QVERIFY(answer < 0 || (box.prompt == "Are you sure you want to quit?" && box.title == "Confirm exit..."
                           && box.icon == platform::Icon::Question));
    QCOMPARE(f.setting("MainLeft").isEmpty(), !quits);
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
    // Minimized saves nothing; maximized saves no place; the bars and the state otherwise.
    const bool minimized = state == Qt::WindowMinimized, normal = state == Qt::WindowNoState;
    QCOMPARE(f.setting("MDIMaximized"), minimized ? "" : normal ? "FALSE" : "TRUE");
    QCOMPARE(f.setting("HTMLToolbar"), minimized ? "" : "FALSE");
    QCOMPARE(f.setting("MainToolbar"), minimized ? "" : "TRUE");
    QCOMPARE(f.setting("MainLeft"), normal ? QString::number(float(platform::toTwips(40))) : "");
    QCOMPARE(f.setting("MainWidth"), normal ? QString::number(float(platform::toTwips(f.main->width()))) : "");
    QCOMPARE(f.setting("MainBackColor"), minimized ? "" : "0");
    QVERIFY(readFile(f.services.settings->filePath("Quiple")).contains("[Settings]"));
}

void tst_mainwindow::droppedFilesOpenInOrder_data()
{
    QTest::addColumn<bool>("onDocument"); // dropped on a document's text, or on the frame
    QTest::addColumn<QString>("title");
    QTest::newRow("frame") << false << "MDIForm_OLEDragDrop";
    QTest::newRow("document") << true << "rtfText_OLEDragDrop";
}

void tst_mainwindow::droppedFilesOpenInOrder()
{
    QFETCH(bool, onDocument);
    QFETCH(QString, title);
    MainFixture f;
    writeFile(f.path("a.txt"), "A");
    writeFile(f.path("c.txt"), "C");
    f.type("kept");
    const QStringList files = {f.path("a.txt"), f.path("missing.txt"), f.path("c.txt")};
    if (onDocument)
        Q_EMIT f.editor()->OLEDragDrop(files);
    else
        f.main->MDIForm_OLEDragDrop(files);
    QStringList shown; // Untitled 1, a.txt, c.txt: the failed one's window is gone
    for (frmDocument* doc : f.main->documents())
        shown << doc->Caption().remove(f.path("x").chopped(1)) + ':' + doc->rtfText->Text() + (doc->bIsDirty ? "*" : "");
    QCOMPARE(shown, (QStringList{"Untitled 1:kept*", "a.txt:A", "c.txt:C"}));
    QCOMPARE(f.active(), f.main->documents().last());
    QCOMPARE(f.messages->shown.size(), 1);
    QVERIFY(f.messages->shown[0].prompt.contains(f.path("missing.txt")) && f.messages->shown[0].title == title);
}

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
