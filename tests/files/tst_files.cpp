#include "MainFixture.h"
#include "app/SettingsKeys.h"
#include "document/frmDocument.h"
#include "files/dlgCommonDialog.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/FileSystem.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

using platform::Answer;

class tst_files : public QObject {
    Q_OBJECT
private slots:
    void filterTextHasEveryEntry();
    void dialogFiltersKeepEveryPattern();
    void openLoadsTheChosenFile();
    void openCancelledOrFailedLeavesNoWindow_data();
    void openCancelledOrFailedLeavesNoWindow();
    void saveOfUntitledAsksForAName();
    void saveFormatFollowsTheName_data();
    void saveFormatFollowsTheName();
    void saveOfTitledWritesAtOnce();
    void failedSaveAsKeepsCaptionAndChanges();
    void dialogsRememberNameAndFilter();
    void commandLineFilesOpen();
    void commandLineWithNothingOpenable();
    void cancelledBigLoadOrSaveLeavesAllAsItWas();
    void noNewWindowLeavesOtherDocumentsAlone();
    void exitStopsAtACancelledQuestion();
    void printsTheSelectionOrAllText_data();
    void printsTheSelectionOrAllText();
    void printAndPageSetupCancelSilently();
    void fileChangedElsewhereIsNoticed_data();
    void fileChangedElsewhereIsNoticed();
    void saveOverRichFileTellsWhatItLoses();
    void saveAsksBeforeLosingText_data();
    void saveAsksBeforeLosingText();
};

namespace {
QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

void tst_files::filterTextHasEveryEntry()
{
    MainFixture f;
    const QStringList parts = f.main->FilterText.split('|');
    QCOMPARE(parts.size(), 54);
    QCOMPARE(parts.first(), QStringLiteral("All Files (*.*)"));
    QCOMPARE(parts.at(1), QStringLiteral("*.*"));
    QCOMPARE(parts.at(52), QStringLiteral("All Files (*.*)"));
    QCOMPARE(parts.at(27), QStringLiteral("*.java;*.jav;*.j;*.js;*.jsp;*.jsp10;"));
    QCOMPARE(parts.at(42), QStringLiteral("Rich Text Files (*.rtf)"));
    QVERIFY(!f.main->FilterText.endsWith('|'));
    QCOMPARE(f.main->FilterText.count("*.inc"), 4); // two entries, description and patterns
}

void tst_files::dialogFiltersKeepEveryPattern()
{
    MainFixture f;
    const QStringList filters = dlgCommonDialog::nameFilters(f.main->FilterText);
    QCOMPARE(filters.size(), 27);
    QCOMPARE(filters.first(), QStringLiteral("All Files (*.* *)"));
    QCOMPARE(filters.at(5),
             QStringLiteral("C/C++ Files (*.cpp *.c *.cc *.cxx *.c++ *.c__ *.h *.hh *.hxx *.h++ *.chh *.hpp *.h__)"));
    QCOMPARE(filters.at(13), QStringLiteral("Java Files (*.java *.jav *.j *.js *.jsp *.jsp10)"));
    // Every pattern of the filter text stands in the dialog's form.
    const QStringList parts = f.main->FilterText.split('|');
    for (int i = 0; i < 27; ++i)
        for (const QString& p : parts.at(2 * i + 1).split(';', Qt::SkipEmptyParts))
            QVERIFY2(filters.at(i).contains(p + ' ') || filters.at(i).contains(p + ')'), qPrintable(p));
}

void tst_files::openLoadsTheChosenFile()
{
    MainFixture f;
    writeFile(f.path("doc.txt"), "hello\r\nworld\r\n");
    f.dialogs->fileAnswers << f.path("doc.txt");
    f.trigger("mnuFileOpen");
    const platform::FileRequest& r = f.dialogs->fileRequests.at(0);
    QCOMPARE(r.title, QStringLiteral("Open"));
    QCOMPARE(r.kind, platform::FileRequest::Kind::Open);
    QCOMPARE(f.main->documents().size(), 2);
    QCOMPARE(f.active()->Caption(), f.path("doc.txt"));
    QCOMPARE(f.editor()->Text(), QStringLiteral("hello\nworld\n"));
    QVERIFY(!f.active()->bIsDirty);
    QCOMPARE(f.main->dlg()->CancelError, false);
    // Saving it unchanged gives the same bytes.
    f.trigger("mnuFileSave");
    QCOMPARE(readFile(f.path("doc.txt")), QByteArray("hello\r\nworld\r\n"));
}

void tst_files::openCancelledOrFailedLeavesNoWindow_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("message");
    QTest::newRow("cancel") << QString() << false;
    QTest::newRow("missing") << "missing.txt" << true;
    QTest::newRow("folder") << "." << true;
}

void tst_files::openCancelledOrFailedLeavesNoWindow()
{
    QFETCH(QString, answer);
    QFETCH(bool, message);
    MainFixture f;
    const QString name = answer.isEmpty() ? QString() : f.path(answer);
    f.dialogs->fileAnswers << name;
    f.trigger("mnuFileOpen");
    QTRY_COMPARE(f.main->documents().size(), 1);
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
    QCOMPARE(f.messages->shown.size(), message ? 1 : 0);
    if (message)
        QVERIFY(f.messages->shown[0].prompt.contains(QDir::cleanPath(name)) || f.messages->shown[0].prompt.contains(name));
    QCOMPARE(f.main->dlg()->CancelError, false);
}

void tst_files::saveOfUntitledAsksForAName()
{
    MainFixture f;
    f.type("hello");
    f.dialogs->fileAnswers << f.path("a.txt");
    f.trigger("mnuFileSave");
    const platform::FileRequest& r = f.dialogs->fileRequests.at(0);
    QCOMPARE(r.title, QStringLiteral("Save"));
    QVERIFY(r.confirmOverwrite && r.pathMustExist);
    QCOMPARE(readFile(f.path("a.txt")), QByteArray("hello"));
    QCOMPARE(f.active()->Caption(), f.path("a.txt"));
    QCOMPARE(f.main->statusText(), "Saved: " + f.path("a.txt"));
    QVERIFY(!f.active()->bIsDirty);
    // Cancelling the dialog writes nothing and keeps the flag.
    f.trigger("mnuFileNew");
    f.type("x");
    f.dialogs->fileAnswers << QString();
    f.trigger("mnuFileSave");
    QVERIFY(f.active()->bIsDirty);
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 2"));
}

void tst_files::saveFormatFollowsTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rich");
    QTest::newRow("txt") << "a.txt" << false;
    QTest::newRow("no extension") << "README" << false;
    QTest::newRow("mixed case rtf") << "letter.Rtf" << true;
    QTest::newRow("upper case") << "LETTER.RTF" << true;
    QTest::newRow("ends in rtf without dot") << "myrtf" << true;
}

void tst_files::saveFormatFollowsTheName()
{
    QFETCH(QString, name);
    QFETCH(bool, rich);
    MainFixture f;
    f.type("body");
    f.dialogs->fileAnswers << f.path(name);
    f.trigger("mnuFileSaveAs");
    QVERIFY(QFile::exists(f.path(name))); // exactly that name: no extension added
    const QByteArray bytes = readFile(f.path(name));
    QCOMPARE(bytes.startsWith("{\\rtf"), rich);
    if (!rich)
        QCOMPARE(bytes, QByteArray("body"));
}

void tst_files::saveOfTitledWritesAtOnce()
{
    MainFixture f;
    writeFile(f.path("plain.rtf"), "not rich at all");
    f.dialogs->fileAnswers << f.path("plain.rtf");
    f.trigger("mnuFileOpen");
    f.type("more ");
    f.trigger("mnuFileSave");
    QCOMPARE(f.dialogs->fileRequests.size(), 1); // only the Open dialog
    QVERIFY(readFile(f.path("plain.rtf")).startsWith("{\\rtf")); // its name makes it rich text
}

void tst_files::failedSaveAsKeepsCaptionAndChanges()
{
    SmallDisk disk(64);
    if (!disk.isValid())
        QSKIP("cannot mount a small tmpfs here");
    MainFixture f;
    writeFile(disk.path("full.txt"), "old");
    f.editor()->setSelText(QString(64, 'x').append('\n').repeated(4800));
    f.dialogs->fileAnswers << disk.path("full.txt");
    f.trigger("mnuFileSaveAs");
    QCOMPARE(f.messages->shown.size(), 1);
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("mnuFileSaveAs_Click"));
    QVERIFY(f.messages->shown[0].prompt.contains(disk.path("full.txt")));
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
    QVERIFY(f.active()->bIsDirty);
    QCOMPARE(readFile(disk.path("full.txt")), QByteArray("old"));
    QVERIFY(f.main->statusText().isEmpty());
}

void tst_files::dialogsRememberNameAndFilter()
{
    MainFixture f;
    writeFile(f.path("first.txt"), "1");
    f.dialogs->fileAnswers << f.path("first.txt") << QString();
    f.trigger("mnuFileOpen");
    f.trigger("mnuFileSaveAs");
    QCOMPARE(f.dialogs->fileRequests.at(0).fileName, QString());
    QCOMPARE(f.dialogs->fileRequests.at(1).fileName, f.path("first.txt"));
    QCOMPARE(f.dialogs->fileRequests.at(1).title, QStringLiteral("Save As"));
    QCOMPARE(f.dialogs->fileRequests.at(1).nameFilters.size(), 27);
    QVERIFY(f.dialogs->fileRequests.at(1).pathMustExist && !f.dialogs->fileRequests.at(0).pathMustExist);
}

void tst_files::commandLineFilesOpen()
{
    // Each argument is one whole name, quotes, blanks and bytes that are not UTF-8 included;
    // a named pipe is refused at once instead of blocking the start.
    MainFixture f({}, {}, false);
    const QString odd = f.path(platform::decodeFileName("my \"x\" quo\"te \xE9.txt"));
    writeFile(f.path("one.txt"), "1");
    platform::writeWholeFile(odd, "2");
    QCOMPARE(::mkfifo(QFile::encodeName(f.path("pipe")).constData(), 0600), 0);
    f.start({f.path("one.txt"), f.path("missing.txt"), odd, f.path("pipe")});
    const QList<frmDocument*> docs = f.main->documents();
    QCOMPARE(docs.size(), 2);
    QCOMPARE(docs[0]->Caption(), f.path("one.txt"));
    QCOMPARE(docs[1]->Caption(), odd);
    QCOMPARE(docs[1]->rtfText->Text(), QStringLiteral("2"));
    QVERIFY(!docs[0]->bIsDirty && !docs[1]->bIsDirty);
    QCOMPARE(f.messages->shown.size(), 2);
    QCOMPARE(f.messages->shown[0].title, QStringLiteral("MDIForm_Load"));
    QVERIFY(f.messages->shown[0].prompt.contains("File not found"));
    QVERIFY(f.messages->shown[1].prompt.endsWith(f.path("pipe") + " is not a regular file."));
    // Saved back under the very same bytes.
    docs[1]->rtfText->setSelText(QStringLiteral("+"));
    QVERIFY(f.main->SaveDocument(*docs[1]));
    const QByteArray raw = QFile::encodeName(f.path("my \"x\" quo\"te ")) + "\xE9.txt";
    QCOMPARE(platform::readRegularFile(platform::decodeFileName(raw)), QByteArray("+2"));
    QVERIFY(!QFile::exists(f.path(QStringLiteral("my \"x\" quo\"te \uFFFD.txt"))));
    f.trigger("mnuFileNew");
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 5")); // every window counted
}

void tst_files::commandLineWithNothingOpenable()
{
    MainFixture f({}, {}, false);
    f.start({f.path("gone.txt")});
    QCOMPARE(f.main->documents().size(), 1);
    QVERIFY(f.active()->Caption().startsWith("Untitled "));
    QVERIFY(f.active()->rtfText->Text().isEmpty());
}

void tst_files::cancelledBigLoadOrSaveLeavesAllAsItWas()
{
    MainFixture f;
    QByteArray big;
    while (big.size() < 2 * 1024 * 1024)
        big += "0123456789 abcdefghijklmnopqrstuvwxyz\n";
    writeFile(f.path("big.txt"), big);
    platform::setProgressFromBytes(1024 * 1024);
    // The user presses Cancel in the progress window as soon as it shows.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
            if (auto* button = d->findChild<QPushButton*>())
                button->click();
    });
    press.start(1);
    f.dialogs->fileAnswers << f.path("big.txt");
    f.trigger("mnuFileOpen");
    QCOMPARE(f.main->documents().size(), 1);
    f.main->OpenFiles({f.path("big.txt")}, QStringLiteral("MDIForm_OLEDragDrop"));
    QTRY_COMPARE(f.main->documents().size(), 1);
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
    QCOMPARE(f.messages->shown.size(), 0);
    // Without Cancel the same file opens whole.
    press.stop();
    f.main->OpenFiles({f.path("big.txt")}, QStringLiteral("MDIForm_OLEDragDrop"));
    QCOMPARE(f.main->documents().size(), 2);
    QCOMPARE(f.editor()->TextLength(), big.size());
    // A cancelled save is the user's choice: said in the status bar, the document still modified.
    f.type("x");
    press.start(1);
    f.trigger("mnuFileSave");
    platform::setProgressFromBytes(8 * 1024 * 1024);
    QCOMPARE(f.messages->shown.size(), 0);
    QCOMPARE(f.main->statusText(),
             QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(f.path("big.txt")));
    QVERIFY(f.active()->bIsDirty);
    QCOMPARE(readFile(f.path("big.txt")), big);
}

void tst_files::noNewWindowLeavesOtherDocumentsAlone()
{
    MainFixture f;
    writeFile(f.path("doc.txt"), "from the file");
    f.editor()->setSelText(QStringLiteral("typed here"));
    f.active()->bIsDirty = true;
    f.main->UntitledCounter = std::numeric_limits<qint32>::max(); // no new window can be counted
    f.dialogs->fileAnswers << f.path("doc.txt");
    f.trigger("mnuFileOpen");
    f.main->OpenFiles({f.path("doc.txt")}, QStringLiteral("MDIForm_OLEDragDrop"));
    QCOMPARE(f.main->documents().size(), 1);
    QCOMPARE(f.editor()->Text(), QStringLiteral("typed here"));
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
    QVERIFY(f.active()->bIsDirty);
}

void tst_files::exitStopsAtACancelledQuestion()
{
    MainFixture f;
    f.type("first");
    f.trigger("mnuFileNew");
    f.type("second");
    f.messages->answers << Answer::No << Answer::Cancel;
    f.trigger("mnuFileExit");
    QVERIFY(f.main->isVisible());
    QTRY_COMPARE(f.main->documents().size(), 1);
    QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 2"));
    QVERIFY(f.active()->bIsDirty);
}

void tst_files::printsTheSelectionOrAllText_data()
{
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QStringList>("notPrinted");
    QTest::newRow("all") << 0 << QStringList{"alpha line", "omega line"} << QStringList{};
    QTest::newRow("selection") << 10 << QStringList{"omega line"} << QStringList{"alpha"};
}

void tst_files::printsTheSelectionOrAllText()
{
    QFETCH(int, selectionLength);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, notPrinted);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    MainFixture f;
    f.editor()->setSelText("alpha line\nomega line");
    f.editor()->setSelStart(11);
    f.editor()->setSelLength(selectionLength);
    f.dialogs->printAnswers << true;
    f.dialogs->printPdf = f.path("out.pdf");
    f.trigger("mnuFilePrint");
    QCOMPARE(f.dialogs->printRequests.size(), 1);
    QCOMPARE(f.dialogs->printRequests[0].title, QStringLiteral("Print"));
    QCOMPARE(f.dialogs->printRequests[0].selection, selectionLength > 0);
    QVERIFY(f.messages->shown.isEmpty());
    const QString text = pdfText(f.path("out.pdf"));
    for (const QString& t : printed)
        QVERIFY2(text.contains(t), qPrintable(text));
    for (const QString& t : notPrinted)
        QVERIFY2(!text.contains(t), qPrintable(text));
}

void tst_files::printAndPageSetupCancelSilently()
{
    MainFixture f;
    f.dialogs->printAnswers << false << false;
    f.dialogs->printPdf = f.path("none.pdf");
    f.trigger("mnuFilePrintSetup");
    f.trigger("mnuFilePrint");
    QCOMPARE(f.dialogs->printRequests.size(), 2);
    QCOMPARE(f.dialogs->printRequests[0].title, QStringLiteral("Page Setup"));
    QVERIFY(f.dialogs->printRequests[0].setup);
    QVERIFY(f.messages->shown.isEmpty());
    QVERIFY(!QFile::exists(f.path("none.pdf")));
    // With no document Print does nothing at all.
    f.active()->subWindow()->close();
    f.trigger("mnuFilePrint");
    QCOMPARE(f.dialogs->printRequests.size(), 2);
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_files::fileChangedElsewhereIsNoticed_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("outside");      // what another program does: "write" or "delete"
    QTest::addColumn<int>("answer");           // to the question, when one comes
    QTest::addColumn<QString>("text");         // what the editor holds afterwards
    QTest::newRow("unmodified, reloads quietly") << false << "write" << -1 << "new\nlines\nhere";
    QTest::newRow("modified, keep") << true << "write" << int(Answer::No) << "edited\nline two";
    QTest::newRow("modified, reload") << true << "write" << int(Answer::Yes) << "new\nlines\nhere";
    QTest::newRow("deleted") << false << "delete" << -1 << "old\nline two";
    QTest::newRow("replaced by a folder") << false << "folder" << -1 << "old\nline two";
}

void tst_files::fileChangedElsewhereIsNoticed()
{
    QFETCH(bool, modified);
    QFETCH(QString, outside);
    QFETCH(int, answer);
    QFETCH(QString, text);
    MainFixture f;
    const QString path = f.path("watched.txt");
    writeFile(path, "old\nline two");
    f.main->OpenFiles({path}, "test");
    frmDocument* doc = f.active();
    doc->rtfText->setSelStart(5); // on the second line
    if (modified) {
        doc->rtfText->setSelStart(0);
        doc->rtfText->setSelLength(3);
        doc->rtfText->setSelText("edited");
        doc->rtfText->setSelStart(8);
    }
    // Our own save is not a change by another program.
    if (!modified) {
        f.trigger("mnuFileSave");
        f.main->CheckDiskChanges(*doc);
        QVERIFY(f.messages->shown.isEmpty());
    }
    if (outside == "write")
        writeFile(path, "new\nlines\nhere");
    else
        QFile::remove(path);
    if (outside == "folder")
        QDir().mkdir(path);
    if (answer >= 0)
        f.messages->answers << Answer(answer);
    // The check runs when the document's window is activated again.
    f.main->LoadNewDoc();
    f.main->mdiArea()->setActiveSubWindow(doc->subWindow());
    QTRY_COMPARE(doc->rtfText->Text(), text);
    QTRY_COMPARE(f.messages->shown.size(), (modified || outside != "write") ? 1 : 0);
    QCOMPARE(doc->bIsDirty, modified ? answer != int(Answer::Yes) : outside != "write");
    if (!modified && outside == "write")
        QCOMPARE(doc->rtfText->SelStart(), 4); // the caret stays on its line
    // Asked once per change.
    f.main->CheckDiskChanges(*doc);
    QCOMPARE(f.messages->shown.size(), (modified || outside != "write") ? 1 : 0);
}

void tst_files::saveOverRichFileTellsWhatItLoses()
{
    // An embedded object's own data cannot be kept: the user hears it before the first save over
    // the file, and may save elsewhere instead.
    MainFixture f;
    const QByteArray rtf = "{\\rtf1\\ansi Text {\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}}.}";
    const QString path = f.path("object.rtf");
    writeFile(path, rtf);
    f.main->OpenFiles({path}, "test");
    f.editor()->setSelText("More ");
    f.messages->answers << Answer::Yes;
    f.dialogs->fileAnswers << f.path("elsewhere.rtf");
    QVERIFY(f.main->SaveDocument(*f.active()));
    QCOMPARE(f.messages->shown.size(), 1);
    QCOMPARE(f.messages->shown[0].prompt, path + " holds embedded objects, which Quiple cannot keep: "
                                                 "saving over it loses them.  Save it under another name instead?");
    QCOMPARE(readFile(path), rtf);
    QCOMPARE(f.active()->Caption(), f.path("elsewhere.rtf"));
    QVERIFY(readFile(f.path("elsewhere.rtf")).contains("More Text"));
    // Saving over the file itself, once the user says so; the next save asks nothing.
    f.main->OpenFiles({path}, "test");
    f.editor()->setSelText("Other ");
    f.messages->answers << Answer::No;
    QVERIFY(f.main->SaveDocument(*f.active()));
    QVERIFY(readFile(path).contains("Other Text"));
    f.editor()->setSelText("!");
    QVERIFY(f.main->SaveDocument(*f.active()));
    QCOMPARE(f.messages->shown.size(), 2);
}

void tst_files::saveAsksBeforeLosingText_data()
{
    QTest::addColumn<QByteArray>("file");     // as opened
    QTest::addColumn<bool>("changedOutside"); // by another program, while the window stays active
    QTest::addColumn<QString>("typed");       // at the end
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");    // PATH stands for the file
    QTest::addColumn<QByteArray>("after");    // on disk
    const QString changed = "PATH has been changed by another program since it was opened here.  "
                            "Overwrite those changes?";
    QTest::newRow("changed, keep theirs") << QByteArray("a\n") << true << "b" << int(Answer::No)
                                          << changed << QByteArray("theirs\n");
    QTest::newRow("changed, overwrite") << QByteArray("a\n") << true << "b" << int(Answer::Yes)
                                        << changed << QByteArray("a\nb");
    QTest::newRow("Windows-1252, keep") << QByteArray("caf\xE9\r\n\r\n") << false << "x \u4E2D\u6587 \u03A9"
                                        << int(Answer::No)
                                        << "PATH holds characters that Windows-1252 cannot store, "
                                           "such as '\u4E2D' in line 3.  Save it as UTF-8 instead?"
                                        << QByteArray("caf\xE9\r\n\r\n");
    QTest::newRow("Windows-1252, to UTF-8") << QByteArray("caf\xE9\r\n") << false
                                            << QString::fromUtf8("\xE2\x82\xAC \xF0\x9F\x98\x80 \xCE\xA9")
                                            << int(Answer::Yes)
                                            << QString::fromUtf8("PATH holds characters that Windows-1252 "
                                                                 "cannot store, such as '\xF0\x9F\x98\x80' in "
                                                                 "line 2.  Save it as UTF-8 instead?")
                                            << QByteArray("caf\xC3\xA9\r\n\xE2\x82\xAC \xF0\x9F\x98\x80 \xCE\xA9");
}

void tst_files::saveAsksBeforeLosingText()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, changedOutside);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QByteArray, after);
    MainFixture f;
    const QString path = f.path("kept.txt");
    writeFile(path, file);
    f.main->OpenFiles({path}, "test");
    frmDocument* doc = f.active();
    doc->rtfText->setSelStart(doc->rtfText->TextLength());
    doc->rtfText->setSelText(typed);
    if (changedOutside) {
        writeFile(path, "theirs\n");
        QFile(path).setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    }
    f.messages->answers << Answer(answer);
    const bool saved = f.main->SaveDocument(*doc);
    QCOMPARE(f.messages->shown.size(), 1);
    QCOMPARE(f.messages->shown[0].prompt, QString(question).replace("PATH", path));
    QCOMPARE(saved, answer == int(Answer::Yes));
    QCOMPARE(doc->bIsDirty, !saved);
    QCOMPARE(readFile(path), after);
    // Once in UTF-8, or once overwritten, a further save asks nothing.
    if (saved) {
        doc->rtfText->setSelText("!");
        QVERIFY(f.main->SaveDocument(*doc));
        QCOMPARE(f.messages->shown.size(), 1);
        QCOMPARE(readFile(path), after + "!");
    }
}

QTEST_MAIN(tst_files)
#include "tst_files.moc"
