#include "MainFixture.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/StepsWithProgress.h"
#include "document/frmDocument.h"
#include "files/dlgCommonDialog.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"

#include <QDir>
#include <QTextDocument>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QAction>
#include <QScopeGuard>
#include <QTest>

using platform::Answer;

namespace {
// The file types of the Open, Save and Save As dialogs, as the user reads them.
const QStringList kFilters = {
    "All Files (*.* *)",
    "ASP Files (*.asp *.aspx *.asa *.asax)",
    "Assembly Files (*.asm *.a86 *.ash *.asi)",
    "Basic Files (*.bas *.frm *.cls *.vb *.vbs *.b *.bi *.inc *.qbs *.script)",
    "Batch Files (*.bat *.cmd)",
    "C/C++ Files (*.cpp *.c *.cc *.cxx *.c++ *.c__ *.h *.hh *.hxx *.h++ *.chh *.hpp *.h__)",
    "C# Files (*.cs)",
    "Cobol Files (*.cob *.cbl *.cpy)",
    "Cold Fusion Files (*.cfc *.cfm *.cfml)",
    "CSS Files (*.css *.css1)",
    "CSV Files (*.csv)",
    "HTML Files (*.htm *.html *.htmls *.htx *.ht3 *.stm *.shtml *.xhtm *.xhtml)",
    "INI Files (*.ini)",
    "Java Files (*.java *.jav *.j *.js *.jsp *.jsp10)",
    "LATEX Files (*.tex *.ltx)",
    "Log Files (*.log)",
    "Make Files (*.mak *.make *.mk)",
    "Pascal Files (*.p *.pas *.pa3 *.pa4 *.pa5)",
    "Perl Files (*.pl *.perl *.pm *.ph *.plx *.prl *.cgi)",
    "PHP Files (*.php *.ph2 *.php2 *.ph3 *.php3 *.ph4 *.php4 *.phl *.phtm *.phtml *.pimg *.inc)",
    "Python Files (*.py *.pyw)",
    "Rich Text Files (*.rtf)",
    "SQL Files (*.sql *.ddl)",
    "Text Files (*.txt *.asc)",
    "UNIX/Linux Script Files (*.sh *.csh *.cshrc)",
    "XML Files (*.xml *.xsd *.xsl *.xslt *.xdr *.dcd *.dtd)",
    "All Files (*.* *)",
};
} // namespace

class tst_files : public QObject {
    Q_OBJECT
private slots:
    void openLoadsTheChosenFile()
    {
        MainFixture f;
        writeFile(f.path("doc.txt"), "hello\r\nworld\r\n");
        f.dialogs->fileAnswers << f.path("doc.txt");
        f.dialogs->filterAnswer = 23; // Text Files
        f.trigger("mnuFileOpen");
        const platform::FileRequest r = f.dialogs->fileRequests.at(0);
        QVERIFY(r.title == "Open" && r.kind == platform::FileRequest::Kind::Open);
        QVERIFY(r.fileName.isEmpty() && r.filterIndex == 0 && !r.pathMustExist);
        QCOMPARE(r.nameFilters, kFilters);
        QCOMPARE(f.main->documents().size(), 2);
        QCOMPARE(f.active()->Caption(), f.path("doc.txt"));
        QCOMPARE(f.editor()->Text(), QStringLiteral("hello\nworld\n"));
        QVERIFY(!f.active()->bIsDirty);
        // Saving it unchanged gives the same bytes, with no dialog.
        f.trigger("mnuFileSave");
        QCOMPARE(readFile(f.path("doc.txt")), QByteArray("hello\r\nworld\r\n"));
        // The next dialog offers the name and the filter entry the last one left.
        f.dialogs->fileAnswers << QString();
        f.trigger("mnuFileSaveAs");
        QCOMPARE(f.dialogs->fileRequests.size(), 2);
        const platform::FileRequest& s = f.dialogs->fileRequests.at(1);
        QVERIFY(s.title == "Save As" && s.fileName == f.path("doc.txt") && s.filterIndex == 23 && s.pathMustExist && s.confirmOverwrite);
        QCOMPARE(s.nameFilters, kFilters);
    }

    void openOrSaveAsCancelledOrFailedLeavesAllAsItWas_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer"); // the name chosen; empty: cancelled
        QTest::newRow("open cancelled") << "mnuFileOpen" << QString();
        QTest::newRow("open a missing file") << "mnuFileOpen" << "missing.txt";
        QTest::newRow("open a folder") << "mnuFileOpen" << ".";
        QTest::newRow("save as into a missing folder") << "mnuFileSaveAs" << "gone/new.txt";
    }

    void openOrSaveAsCancelledOrFailedLeavesAllAsItWas()
    {
        QFETCH(QString, command);
        QFETCH(QString, answer);
        MainFixture f;
        f.type("typed");
        const QString name = answer.isEmpty() ? QString() : QDir::cleanPath(f.path(answer));
        f.dialogs->fileAnswers << name;
        f.trigger(command);
        QTRY_COMPARE(f.main->documents().size(), 1);
        QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
        QVERIFY(f.active()->bIsDirty);
        QVERIFY(f.main->statusText().isEmpty());
        QCOMPARE(f.messages->shown.size(), name.isEmpty() ? 0 : 1);
        if (!name.isEmpty()) {
            QVERIFY(command != "mnuFileSaveAs" || f.messages->shown[0].title == "mnuFileSaveAs_Click");
            const QString named = command == "mnuFileSaveAs" ? f.path("gone") : name; // what is missing
            QVERIFY2(f.messages->shown[0].prompt.contains(named), qPrintable(f.messages->shown[0].prompt));
        }
        QCOMPARE(f.main->dlg()->CancelError, false);
    }

    void saveOfUntitledAsksForAName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow("txt") << "a.txt" << false;
        QTest::newRow("no extension") << "README" << false;
        QTest::newRow("mixed case rtf") << "letter.Rtf" << true;
        QTest::newRow("upper case") << "LETTER.RTF" << true;
        QTest::newRow("ends in rtf without dot") << "myrtf" << true;
    }

    void saveOfUntitledAsksForAName()
    {
        QFETCH(QString, name);
        QFETCH(bool, rich);
        MainFixture f;
        f.type("body");
        f.dialogs->fileAnswers << f.path(name);
        f.trigger("mnuFileSave");
        const platform::FileRequest& r = f.dialogs->fileRequests.at(0);
        QVERIFY(r.title == "Save" && r.confirmOverwrite && r.pathMustExist);
        const QByteArray bytes = readFile(f.path(name)); // exactly that name: no extension added
        QCOMPARE(bytes.startsWith("{\\rtf"), rich);
        QVERIFY(rich || bytes == "body");
        QCOMPARE(f.active()->Caption(), f.path(name));
        QCOMPARE(f.main->statusText(), "Saved: " + f.path(name));
        QVERIFY(!f.active()->bIsDirty);
        // Cancelling the dialog writes nothing and keeps the flag.
        f.trigger("mnuFileNew");
        f.type("x");
        f.dialogs->fileAnswers << QString();
        f.trigger("mnuFileSave");
        QVERIFY(f.active()->bIsDirty);
        QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 2"));
    }

    void cancelledBigLoadOrSaveLeavesAllAsItWas()
    {
        MainFixture f;
        QByteArray big;
        while (big.size() < 2 * 1024 * 1024)
            big += "0123456789 abcdefghijklmnopqrstuvwxyz\n";
        writeFile(f.path("big.txt"), big);
        platform::setProgressFromBytes(1024 * 1024);
        ProgressCanceller press; // the user presses Cancel in the progress window as soon as it shows
        f.dialogs->fileAnswers << f.path("big.txt");
        f.trigger("mnuFileOpen");
        QTRY_COMPARE(f.main->documents().size(), 1);
        QCOMPARE(f.active()->Caption(), QStringLiteral("Untitled 1"));
        QCOMPARE(f.messages->shown.size(), 0);
        QCOMPARE(press.labels.value(0), QStringLiteral("Opening big.txt (2.0 MB)..."));
        // Without Cancel the same file opens whole, and saves whole under its own window.
        press.armed = false;
        f.main->OpenFiles({f.path("big.txt")}, QStringLiteral("MDIForm_OLEDragDrop"));
        QCOMPARE(f.main->documents().size(), 2);
        QCOMPARE(f.editor()->TextLength(), big.size());
        press.labels.clear();
        f.editor()->SaveFile(f.path("copy.txt"), platform::RichTextBox::PlainText);
        QCOMPARE(press.labels.value(0), QStringLiteral("Saving copy.txt..."));
        QCOMPARE(readFile(f.path("copy.txt")), big);
        // A cancelled save is the user's choice: said in the status bar, the document still
        // modified, the old file whole and nothing beside it.
        f.type("x");
        press.armed = true;
        f.trigger("mnuFileSave");
        platform::setProgressFromBytes(8 * 1024 * 1024);
        QCOMPARE(f.messages->shown.size(), 0);
        QCOMPARE(f.main->statusText(),
                 QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(f.path("big.txt")));
        QVERIFY(f.active()->bIsDirty);
        QCOMPARE(readFile(f.path("big.txt")), big);
        QCOMPARE(QDir(f.path("")).entryList({"*.txt*"}, QDir::Files | QDir::Hidden), QStringList({"big.txt", "copy.txt"}));

        // Save As RTF over an older file, cancelled: the older file stays whole, and without
        // Cancel the RTF opens again to the same lines.
        platform::setProgressFromBytes(1024 * 1024);
        writeFile(f.path("old.rtf"), "{\\rtf1 old}");
        f.dialogs->fileAnswers << f.path("old.rtf");
        press.labels.clear();
        f.trigger("mnuFileSaveAs");
        QCOMPARE(press.labels.value(0), QStringLiteral("Saving old.rtf..."));
        QCOMPARE(f.main->statusText(),
                 QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(f.path("old.rtf")));
        QCOMPARE(readFile(f.path("old.rtf")), QByteArray("{\\rtf1 old}"));
        QCOMPARE(f.active()->Caption(), f.path("big.txt"));
        QCOMPARE(QDir(f.path("")).entryList({"*.rtf*"}, QDir::Files | QDir::Hidden), QStringList({"old.rtf"}));
        press.armed = false;
        const QString text = f.editor()->Text();
        f.dialogs->fileAnswers << f.path("old.rtf");
        f.trigger("mnuFileSaveAs");
        platform::setProgressFromBytes(8 * 1024 * 1024);
        QCOMPARE(f.active()->Caption(), f.path("old.rtf"));
        QVERIFY(readFile(f.path("old.rtf")).startsWith("{\\rtf1"));
        QTextDocument saved;
        platform::rtf::RtfReader::read(readFile(f.path("old.rtf")), saved);
        QVERIFY(saved.toPlainText() == text);
    }

    void aBigRichDocumentIsSavedBetweenEvents()
    {
        MainFixture f;
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 ";
        for (int i = 0; i < 3000; ++i)
            rtf += "Line " + QByteArray::number(i) + " \\b bold\\b0  rest.\\par\n";
        writeFile(f.path("long.rtf"), rtf + "}");
        f.main->OpenFiles({f.path("long.rtf")}, "test");
        const QByteArray whole = platform::rtf::RtfWriter::write(*f.editor()->document());
        // Copied in steps from 4,096 characters, its progress shown at once.
        platform::setProgressFromBytes(256 * 1024);
        platform::StepBudget::setUnits(1);
        platform::setMomentMs(0);
        const auto restore = qScopeGuard([] {
            platform::setProgressFromBytes(8 * 1024 * 1024);
            platform::StepBudget::setUnits(0);
            platform::setMomentMs(400);
        });
        writeFile(f.path("old.rtf"), "{\\rtf1 old}");
        ProgressCanceller press;
        f.dialogs->fileAnswers << f.path("old.rtf");
        f.trigger("mnuFileSaveAs");
        QCOMPARE(press.labels, QStringList{"Saving old.rtf..."});
        QCOMPARE(f.main->statusText(),
                 QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(f.path("old.rtf")));
        QCOMPARE(readFile(f.path("old.rtf")), QByteArray("{\\rtf1 old}"));
        QCOMPARE(f.active()->Caption(), f.path("long.rtf"));
        press.armed = false;
        f.dialogs->fileAnswers << f.path("old.rtf");
        f.trigger("mnuFileSaveAs");
        QCOMPARE(f.active()->Caption(), f.path("old.rtf"));
        QVERIFY(readFile(f.path("old.rtf")) == whole);
        QCOMPARE(QDir(f.path("")).entryList({"*.rtf*"}, QDir::Files | QDir::Hidden),
                 QStringList({"long.rtf", "old.rtf"}));
    }

    void exitStopsAtACancelledQuestion()
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

    void fileChangedElsewhereIsNoticed_data()
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

    void fileChangedElsewhereIsNoticed()
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
        if (modified && answer == int(Answer::No)) {
            // Keeping the text here does not make the other program's file ours to overwrite.
            f.messages->answers << Answer::No;
            f.main->SaveDocument(*doc);
            QCOMPARE(f.messages->shown.size(), 2);
            QCOMPARE(f.messages->shown[1].prompt, path + " has been changed by another program since "
                                                         "it was opened here.  Overwrite those changes?");
            QCOMPARE(readFile(path), QByteArray("new\nlines\nhere"));
        }
    }

    void quietReloadKeepsTheCaretOnItsLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("text");      // what the editor then shows
        QTest::addColumn<int>("expected");      // where the caret then is
        QTest::newRow("same line") << QByteArray("a\nbb\ncc") << 4 << QByteArray("1\n22\n333") << "1\n22\n333" << 2;
        QTest::newRow("fewer lines now: the last") << QByteArray("a\nb\nc\nd") << 6 << QByteArray("xx\nyy")
                                                   << "xx\nyy" << 3;
        QTest::newRow("CRLF lines") << QByteArray("a\r\nbb\r\ncc") << 6 << QByteArray("1\r\n22\r\n333")
                                    << "1\n22\n333" << 5;
        QTest::newRow("rich paragraphs") << QByteArray("{\\rtf1 one\\par two\\par three}") << 9
                                         << QByteArray("{\\rtf1 1\\par 2\\par 3}") << "1\n2\n3" << 4;
    }

    void quietReloadKeepsTheCaretOnItsLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, caret);
        QFETCH(QByteArray, after);
        QFETCH(QString, text);
        QFETCH(int, expected);
        MainFixture f;
        const QString path = f.path("watched.txt");
        writeFile(path, before);
        f.main->OpenFiles({path}, "test");
        frmDocument* doc = f.active();
        doc->rtfText->setSelStart(caret);
        writeFile(path, after);
        f.main->CheckDiskChanges(*doc);
        QCOMPARE(doc->rtfText->Text(), text);
        QCOMPARE(doc->rtfText->SelStart(), expected);
        QVERIFY(!doc->bIsDirty);
        QVERIFY(f.messages->shown.isEmpty());
        // The reloaded text is where undoing starts: the older text never comes back.
        QVERIFY(!f.main->action("mnuEditUndo")->isEnabled());
        doc->rtfText->undo();
        QCOMPARE(doc->rtfText->Text(), text);
    }

    void aChangeMadeWhileTheFileLoadsIsNeverOverwrittenUnasked()
    {
        // Another program appends to the file while it is being read here.
        MainFixture f;
        const QString path = f.path("growing.txt");
        writeFile(path, QByteArray("line\n").repeated(1000));
        platform::setProgressFromBytes(1024);
        bool appended = false;
        platform::setFirstReportHook([&] {
            QFile file(path);
            appended = appended || (file.open(QIODevice::Append) && file.write("theirs\n") == 7);
        });
        const auto restore = qScopeGuard([] {
            platform::setFirstReportHook({});
            platform::setProgressFromBytes(8 * 1024 * 1024);
        });
        f.main->OpenFiles({path}, "test");
        QVERIFY(appended);
        platform::setFirstReportHook({});
        f.editor()->setSelStart(0);
        f.editor()->setSelText("mine ");
        f.messages->answers << Answer::No;
        f.main->SaveDocument(*f.active());
        QCOMPARE(f.messages->shown.size(), 1);
        QCOMPARE(f.messages->shown[0].prompt, path + " has been changed by another program since it was "
                                                     "opened here.  Overwrite those changes?");
        QVERIFY(readFile(path).endsWith("line\ntheirs\n"));
    }

    void saveOverRichFileTellsWhatItLoses()
    {
        // An embedded object shown as text cannot be kept: the user hears it before the first save
        // over the file, and may save elsewhere instead.
        MainFixture f;
        const QByteArray rtf = "{\\rtf1\\ansi Text {\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}"
                               "{\\result as text}}.}";
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

    void recentFilesAreTheLastOpenedOrSaved()
    {
        MainFixture f;
        writeFile(f.path("a.txt"), "A");
        writeFile(f.path("b.txt"), "B");
        f.main->OpenFiles({f.path("a.txt"), f.path("b.txt")}, "test");
        f.dialogs->fileAnswers << f.path("c.txt");
        f.trigger("mnuFileSaveAs"); // b.txt saved as c.txt
        QMenu* file = f.main->menu("mnuFile");
        const auto entries = [&] {
            QMetaObject::invokeMethod(file, "aboutToShow");
            QStringList texts;
            for (const QAction* a : file->actions())
                texts << (a->isSeparator() ? "-" : a->text().remove(f.path("x").chopped(1)));
            return texts.mid(texts.indexOf("&Print...") + 2);
        };
        QCOMPARE(entries(), (QStringList{"&1 c.txt", "&2 b.txt", "&3 a.txt", "-", "E&xit"}));
        QFile::remove(f.path("a.txt"));
        f.messages->answers << Answer::Ok;
        f.main->findChild<QAction*>("mnuFileRecent3")->trigger();
        QCOMPARE(f.messages->shown.size(), 1);
        QCOMPARE(f.messages->shown[0].prompt, f.path("a.txt") + " no longer exists.  It is taken off the list of recent files.");
        QCOMPARE(entries(), (QStringList{"&1 c.txt", "&2 b.txt", "-", "E&xit"}));
        f.main->findChild<QAction*>("mnuFileRecent2")->trigger();
        QCOMPARE(f.active()->Caption(), f.path("b.txt"));
        QCOMPARE(entries(), (QStringList{"&1 b.txt", "&2 c.txt", "-", "E&xit"}));
    }

    void saveAsksBeforeLosingText_data()
    {
        QTest::addColumn<QByteArray>("file");     // as opened
        QTest::addColumn<bool>("changedOutside"); // by another program, while the window stays active
        QTest::addColumn<QString>("typed");       // at the end
        QTest::addColumn<QString>("format");      // then given to all: "bold" by the user, "colour" by Options
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");    // PATH stands for the file
        QTest::addColumn<QByteArray>("after");    // on disk
        const QString changed = "PATH has been changed by another program since it was opened here.  "
                                "Overwrite those changes?";
        QTest::newRow("changed, keep theirs") << QByteArray("a\n") << true << "b" << "" << int(Answer::No)
                                              << changed << QByteArray("theirs\n");
        QTest::newRow("changed, overwrite") << QByteArray("a\n") << true << "b" << "" << int(Answer::Yes)
                                            << changed << QByteArray("a\nb");
        QTest::newRow("Windows-1252, keep") << QByteArray("caf\xE9\r\n\r\n") << false << "x \u4E2D\u6587 \u03A9" << "" << int(Answer::No)
            << "PATH holds characters that Windows-1252 cannot store, such as '\u4E2D' in line 3.  Save it as UTF-8 instead?"
            << QByteArray("caf\xE9\r\n\r\n");
        // A large text is looked through beside the window, piece by piece, and the line still counts.
        const QByteArray large = "caf\xE9\r\n" + QByteArray("line\r\n").repeated(20000);
        QTest::newRow("Windows-1252, large, keep") << large << false << "\u4E2D" << "" << int(Answer::No)
            << "PATH holds characters that Windows-1252 cannot store, such as '\u4E2D' in line 20002.  Save it as UTF-8 instead?"
            << large;
        QTest::newRow("Windows-1252, to UTF-8") << QByteArray("caf\xE9\r\n") << false << u"\u20AC \U0001F600 \u03A9"_qs
            << "" << int(Answer::Yes) << u"PATH holds characters that Windows-1252 cannot store, such as '\U0001F600' in line 2.  Save it as UTF-8 instead?"_qs
            << QByteArray("caf\xC3\xA9\r\n\xE2\x82\xAC \xF0\x9F\x98\x80 \xCE\xA9");
        const QString formatting = "PATH is saved as plain text, which cannot keep its formatting (bold, italic, "
                                   "underline, alignment).  Save it without the formatting?";
        QTest::newRow("bold, keep it") << QByteArray("a\n") << false << "b" << "bold" << int(Answer::No)
                                       << formatting << QByteArray("a\n");
        QTest::newRow("bold, save the text") << QByteArray("a\n") << false << "b" << "bold" << int(Answer::Yes)
                                             << formatting << QByteArray("a\nb");
        QTest::newRow("colour from Options, nothing to ask") << QByteArray("a\n") << true << "b" << "colour"
                                                             << int(Answer::Yes) << changed << QByteArray("a\nb");
    }

    void saveAsksBeforeLosingText()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, changedOutside);
        QFETCH(QString, typed);
        QFETCH(QString, format);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QByteArray, after);
        const QString formatting = "PATH is saved as plain text, which cannot keep its formatting (bold, italic, "
                                   "underline, alignment).  Save it without the formatting?";
        MainFixture f;
        platform::setProgressFromBytes(64 * 1024);
        const auto restore = qScopeGuard([] { platform::setProgressFromBytes(8 * 1024 * 1024); });
        const QString path = f.path("kept.txt");
        writeFile(path, file);
        f.main->OpenFiles({path}, "test");
        frmDocument* doc = f.active();
        doc->rtfText->setSelStart(doc->rtfText->TextLength());
        doc->rtfText->setSelText(typed);
        doc->rtfText->setSelStart(0);
        doc->rtfText->setSelLength(doc->rtfText->TextLength());
        if (format == "bold")
            QTest::keyClick(doc->rtfText->hwnd(), Qt::Key_B, Qt::ControlModifier);
        else if (format == "colour")
            doc->rtfText->setSelColor(platform::rgbValue(0, 0, 128));
        doc->rtfText->setSelStart(doc->rtfText->TextLength());
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
            // A format given after the answer asks again.
            QTest::keyClick(doc->rtfText->hwnd(), Qt::Key_U, Qt::ControlModifier);
            f.messages->answers << Answer::No;
            QVERIFY(!f.main->SaveDocument(*doc));
            QCOMPARE(f.messages->shown.last().prompt, QString(formatting).replace("PATH", path));
        }
    }

    void aFormattedPlainDocumentSavesEveryByteItRead()
    {
        // Bold moves the document to the rich view; a plain save still writes each break in its
        // own style and the separators U+2028, U+2029, U+FDD0 and U+FDD1 as the characters they are.
        MainFixture f;
        const QString path = f.path("mixed.txt");
        const QByteArray file = "one\r\ntwo\nthree\rfour\xE2\x80\xA8" "five\xE2\x80\xA9six\xEF\xB7\x90seven\xEF\xB7\x91\r\n";
        writeFile(path, file);
        f.main->OpenFiles({path}, "test");
        platform::RichTextBox& box = *f.editor();
        box.setSelStart(0);
        box.setSelLength(box.TextLength());
        QTest::keyClick(box.hwnd(), Qt::Key_B, Qt::ControlModifier);
        QVERIFY(box.isRichView());
        box.setSelStart(4); // an edit in the rich view
        box.setSelLength(0);
        box.setSelText("t, ");
        box.setSelStart(box.TextLength());
        box.setSelText("\nend");
        f.messages->answers << Answer::Yes; // without the formatting
        QVERIFY(f.main->SaveDocument(*f.active()));
        QCOMPARE(readFile(path), QByteArray("one\r\nt, two\nthree\rfour\xE2\x80\xA8" "five\xE2\x80\xA9six\xEF\xB7\x90seven\xEF\xB7\x91\r\n\r\nend"));
        // Both edits taken back: the file as it was, byte for byte.
        box.undo();
        box.undo();
        QVERIFY(f.main->SaveDocument(*f.active()));
        QCOMPARE(readFile(path), file);
    }

    void aReadOnlyFileIsSavedOverOnlyWhenTheUserSays()
    {
        MainFixture f;
        const QString path = f.path("locked.txt");
        writeFile(path, "old\n");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        f.main->OpenFiles({path}, "test");
        f.editor()->setSelText("new ");
        const QString question = path + " is read-only.  Save over it anyway?";
        f.messages->answers << Answer::No << Answer::Yes;
        QVERIFY(!f.main->SaveDocument(*f.active()));
        QCOMPARE(readFile(path), QByteArray("old\n"));
        QVERIFY(f.main->SaveDocument(*f.active()));
        QCOMPARE(readFile(path), QByteArray("new old\n"));
        QCOMPARE(f.messages->shown.size(), 2);
        QVERIFY(f.messages->shown[0].prompt == question && f.messages->shown[1].prompt == question);
        const auto ownerGroupOther = QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(ownerGroupOther, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther); // still read-only
        QCOMPARE(QDir(f.path("")).entryList({"*locked*"}, QDir::Files | QDir::Hidden), QStringList{"locked.txt"});
    }

    void encodingAndLineBreaksChosenByTheUser()
    {
        // File > Encoding ticks how the file is written, sets what the next save writes, and reads
        // the file again in another encoding.
        MainFixture f;
        const QString path = f.path("notes.txt");
        writeFile(path, "caf\xE9 \xA4\r\nb\n"); // not UTF-8, and its breaks of two kinds
        f.main->OpenFiles({path}, "test");
        frmDocument* doc = f.active();
        QMenu* menu = f.main->menu("mnuFileEncoding");
        const auto row = [&](const QString& text) {
            Q_EMIT menu->aboutToShow();
            for (QAction* a : menu->findChildren<QAction*>()) {
                if (a->text() == text && a->isEnabled())
                    return a;
            }
            return static_cast<QAction*>(nullptr);
        };
        const auto ticked = [&] {
            Q_EMIT menu->aboutToShow();
            QStringList on;
            for (QAction* a : menu->actions())
                on << (a->isChecked() ? a->text() : QString());
            on.removeAll(QString());
            return on.join(", ");
        };
        QCOMPARE(ticked(), "Windows-1252");
        row("ISO-8859-15")->trigger(); // the first one in the menu ticks it; this one is the reopen's
        QCOMPARE(ticked(), "ISO-8859-15");
        QVERIFY(doc->bIsDirty);
        f.messages->answers << Answer::Yes; // lose the change of encoding
        f.main->findChild<QMenu*>("mnuFileReopenEncoding")->actions().at(6)->trigger(); // ISO-8859-15
        QCOMPARE(doc->rtfText->Text() + (doc->bIsDirty ? " *" : ""), u"caf\u00E9 \u20AC\nb\n"_qs);
        row("CR LF (Windows)")->trigger();
        QVERIFY(doc->bIsDirty && f.main->SaveDocument(*doc));
        QCOMPARE(readFile(path), QByteArray("caf\xE9 \xA4\r\nb\r\n"));
        row("UTF-16 LE")->trigger();
        QVERIFY(f.main->SaveDocument(*doc));
        QCOMPARE(readFile(path), QByteArray("\xFF\xFE" "c\0a\0f\0\xE9\0 \0\xAC\x20\r\0\n\0b\0\r\0\n\0", 24));
        // A character the chosen encoding lacks asks, as any save does.
        doc->rtfText->setSelText(u"\u4E2D"_qs);
        row("ISO-8859-15")->trigger();
        f.messages->answers << Answer::No;
        QVERIFY(!f.main->SaveDocument(*doc));
        QCOMPARE(f.messages->shown.last().prompt,
                 path + u" holds characters that ISO-8859-15 cannot store, such as '\u4E2D' in line 1.  Save it as UTF-8 instead?"_qs);
        // Read again as UTF-8, which the file is not: asked first, and nothing is lost.
        f.messages->answers << Answer::Yes;
        f.main->findChild<QMenu*>("mnuFileReopenEncoding")->actions().at(0)->trigger();
        QCOMPARE(f.messages->shown.at(f.messages->shown.size() - 2).prompt,
                 path + " has changes that are not saved.  Read it again as UTF-8 and lose them?");
        QCOMPARE(f.messages->shown.last().prompt,
                 path + " is not UTF-8 text: the bytes from offset 0 on are not valid in it.  The document was left as it was.");
        QVERIFY(doc->bIsDirty && doc->rtfText->Text().startsWith(u"\u4E2Dcaf"_qs));
    }
};

QTEST_MAIN(tst_files)
#include "tst_files.moc"
