#include "HostFixture.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "files/RecoveryFiles.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"
#include "platform/StepsWithProgress.h"

#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <unistd.h>

using platform::Answer;

namespace {

QString& dataFolder(ServicesFixture& f)
{
    return f.services.dataFolder;
}

QString rootOf(ServicesFixture& f)
{
    return dataFolder(f) + QStringLiteral("/Quiple/recovery");
}

// The description files of a folder, parsed.
QList<QJsonObject> descriptions(const QString& folder)
{
    QList<QJsonObject> list;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({"*.json"}, QDir::Files, QDir::Name))
        list << QJsonDocument::fromJson(readFile(dir.filePath(name))).object();
    return list;
}

QByteArray firstCopy(const QString& folder)
{
    return readFile(folder + '/' + descriptions(folder).value(0).value("data").toString());
}

// Takes the copies that are due and waits until the writer has written them.
bool writeCopiesNow(Recovery& recovery, int expected)
{
    QSignalSpy spy(&recovery, &Recovery::copyWritten);
    recovery.flush();
    return QTest::qWaitFor([&] { return spy.count() >= expected; }, 10000);
}

// A run on a small host whose documents get copies soon after a change.
std::unique_ptr<HostFixture> run(const QString& folder = {}, QList<Answer> answers = {})
{
    auto f = std::make_unique<HostFixture>(QList<QPair<QString, QString>>{}, false);
    if (!folder.isEmpty())
        dataFolder(*f) = folder;
    f->messages->answers = std::move(answers);
    f->start();
    f->recovery().setDelay(200);
    return f;
}

QStringList foldersIn(const QString& root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class tst_recovery : public QObject {
    Q_OBJECT
private slots:
    void copiesFollowTypingAfterTheDelay()
    {
        auto f = run();
        f->recovery().setDelay(300);
        QSignalSpy spy(&f->recovery(), &Recovery::copyWritten);
        f->type("a");
        QVERIFY(descriptions(f->recovery().folder()).isEmpty()); // not on the change itself
        // Steady typing still gets a copy: the delay runs from the first change, not the last key.
        QVERIFY(QTest::qWaitFor([&] { f->type("a"); return !spy.isEmpty(); }, 60000));
        QCOMPARE(spy.at(0).at(1).toBool(), true);
        // The last keys get their copy too, and the older text goes.
        f->type("z");
        const QString folder = f->recovery().folder();
        QTRY_VERIFY(firstCopy(folder).endsWith("az"));
    }

    void saveCloseAndExitRemoveCopies()
    {
        MainFixture f;
        Recovery& recovery = f.main->recovery();
        recovery.setDelay(200);
        const QString folder = recovery.folder();

        // Saved: the copy goes, and comes back, under the new name, with the next change.
        f.type("first");
        QVERIFY(writeCopiesNow(recovery, 1));
        f.dialogs->fileAnswers << f.path("saved.txt");
        f.trigger("mnuFileSave");
        QTRY_VERIFY(descriptions(folder).isEmpty());
        f.type(" second");
        QVERIFY(writeCopiesNow(recovery, 1));

        // Closed with No: the user turned the changes down.
        f.main->LoadNewDoc();
        f.type("dropped");
        QVERIFY(writeCopiesNow(recovery, 1));
        f.messages->answers << Answer::No;
        f.trigger("mnuFileClose");
        QTRY_COMPARE(descriptions(folder).size(), 1);

        // Closed with Cancel: the document and its copy stay (and a later copy follows any removal).
        f.messages->answers << Answer::Cancel;
        f.trigger("mnuFileClose");
        f.type("!");
        QVERIFY(writeCopiesNow(recovery, 1));
        QCOMPARE(descriptions(folder).size(), 1);
        QVERIFY(firstCopy(folder).endsWith("first second!"));

        // A clean exit leaves nothing behind, folder and lock included.
        f.messages->answers << Answer::No;
        QVERIFY(f.main->close());
        f.main.reset();
        QVERIFY(QDir(rootOf(f)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    void foldersOfLiveRunsAreNeverTaken()
    {
        // A run that is alive: this test itself, and a separate program holding its lock.
        auto live = run();
        live->type("still typing here");
        QVERIFY(writeCopiesNow(live->recovery(), 1));
        const QString root = rootOf(*live);
        QProcess holder;
        const QString otherFolder = root + "/4242-otherrun";
        QVERIFY(QDir().mkpath(otherFolder));
        writeFile(otherFolder + "/1.json", "{}");
        holder.start(QCoreApplication::applicationFilePath(), {"--hold-lock", otherFolder + ".lock"});
        QVERIFY(holder.waitForReadyRead(10000));

        auto second = run(dataFolder(*live));
        QVERIFY2(second->messages->shown.isEmpty(), "a live run's copies were offered");
        QCOMPARE(descriptions(live->recovery().folder()).size(), 1);
        QVERIFY(QFileInfo::exists(otherFolder + "/1.json"));

        // Once the other program is killed, its folder is free: claimed by one, and only one.
        holder.kill();
        QVERIFY(holder.waitForFinished(10000));
        std::vector<recovery::RunFolder> first = recovery::claimAbandoned(root, QString());
        QCOMPARE(first.size(), size_t(1));
        QCOMPARE(first.front().path, otherFolder);
        QVERIFY(recovery::claimAbandoned(root, QString()).empty());
    }

    void aBigRichDocumentIsCopiedBetweenEvents()
    {
        // Big enough to be copied a few paragraphs at a time, the window handling its events
        // between them.
        MainFixture first({}, {}, false);
        const QString styled = first.path("long.rtf");
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 ";
        for (int i = 0; i < 2000; ++i)
            rtf += "Paragraph " + QByteArray::number(i) + " has \\b bold\\b0  words.\\par\n";
        writeFile(styled, rtf + "}");
        first.start({styled});
        platform::setProgressFromBytes(128 * 1024); // from 1,024 characters
        platform::StepBudget::setUnits(1);
        const auto restore = qScopeGuard([] {
            platform::setProgressFromBytes(8 * 1024 * 1024);
            platform::StepBudget::setUnits(0);
        });
        Recovery& recovery = first.main->recovery();
        recovery.setDelay(50);
        platform::RichTextBox& box = *first.active()->rtfText;
        box.setSelStart(box.TextLength());
        box.setSelText("first");
        QSignalSpy written(&recovery, &Recovery::copyWritten);
        recovery.flush();
        // A change while the copy is made: the copy written is of the text after it.
        box.setSelText(" second");
        QVERIFY(QTest::qWaitFor([&] { return written.count() >= 1; }, 20000));
        QVERIFY(firstCopy(recovery.folder()).contains("first second"));
        first.main.reset();

        MainFixture second({}, {}, false);
        second.services.dataFolder = first.services.dataFolder;
        second.messages->answers << Answer::Yes;
        second.start();
        platform::RichTextBox& back = *second.main->documents().value(1)->rtfText;
        QVERIFY(back.Text().startsWith("Paragraph 0 has bold words.\nParagraph 1 has bold words.\n"));
        QVERIFY(back.Text().endsWith("Paragraph 1999 has bold words.first second"));
        QCOMPARE(back.lineCount(), 2000);
        back.setSelStart(back.Text().indexOf("1999 has bold") + 9);
        back.setSelLength(4);
        QCOMPARE(back.SelBold(), std::optional<bool>(true));
    }

    void yesReopensTheDocumentsModified()
    {
        MainFixture first({}, {}, false);
        const QString legacy = first.path("legacy.txt"), styled = first.path("styled.rtf");
        writeFile(legacy, "caf\xE9\r\nline two\r\n");
        writeFile(styled, "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 plain \\b bold\\b0  end"
                          "{\\pict\\wmetafile8\\picw10\\pich10 0102}\\par}");
        first.start({legacy, styled});
        first.main->recovery().setDelay(200);
        QList<frmDocument*> docs = first.main->documents();
        docs[0]->rtfText->setSelStart(0);
        docs[0]->rtfText->setSelText(QStringLiteral("Ünïcode "));
        docs[1]->rtfText->setSelStart(docs[1]->rtfText->TextLength());
        docs[1]->rtfText->setSelText("added");
        first.main->LoadNewDoc();
        first.editor()->setSelText("{\\rtf1 typed}\nsecond line"); // stays plain text
        first.main->LoadNewDoc(); // untouched: nothing to recover
        QVERIFY(writeCopiesNow(first.main->recovery(), 3));
        first.main.reset(); // the run ends without closing anything, as when it is killed

        MainFixture second({}, {}, false);
        second.services.dataFolder = first.services.dataFolder;
        second.messages->answers << Answer::Yes;
        second.start();
        QCOMPARE(second.messages->shown.size(), 1);
        const FakeMessageBox::Shown& asked = second.messages->shown.first();
        QCOMPARE(asked.prompt, QStringLiteral("Quiple did not close properly last time.  3 unsaved "
                                              "documents can be recovered.\n\nRecover them now?  If you "
                                              "choose No, they are discarded."));
        QVERIFY(asked.title == "Quiple" && asked.buttons == platform::Buttons::YesNo && asked.icon == platform::Icon::Question);

        docs = second.main->documents();
        QCOMPARE(docs.size(), 4);
        const QStringList captions{"Untitled 1", legacy, styled, "Untitled 4"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(docs[i]->Caption(), captions[i]);
            QCOMPARE(docs[i]->bIsDirty, i > 0); // this run's own first document is not recovered
        }
        QCOMPARE(docs[1]->rtfText->Text(), QStringLiteral("Ünïcode café\nline two\n"));
        QCOMPARE(docs[3]->rtfText->Text(), QStringLiteral("{\\rtf1 typed}\nsecond line"));
        QVERIFY(!docs[3]->rtfText->isRichView());
        platform::RichTextBox& rich = *docs[2]->rtfText;
        QVERIFY(rich.Text().startsWith(QStringLiteral("plain bold end")) && rich.Text().endsWith("added"));
        rich.setSelStart(6);
        rich.setSelLength(4);
        QCOMPARE(rich.SelBold(), std::optional<bool>(true));

        // The old folder goes once this run has its own copies.
        QTRY_COMPARE(foldersIn(rootOf(second)), QStringList{QFileInfo(second.main->recovery().folder()).fileName()});

        // Save writes each where it belongs, as it was written before.
        second.main->SaveDocument(*docs[1]);
        QCOMPARE(readFile(legacy), QByteArray("\xDCn\xEF" "code caf\xE9\r\nline two\r\n"));
        second.main->SaveDocument(*docs[2]);
        const QByteArray rtf = readFile(styled);
        QVERIFY(rtf.startsWith("{\\rtf") && rtf.contains("added") && rtf.contains("\\pict"));
        second.dialogs->fileAnswers << second.path("fresh.txt");
        second.main->SaveDocument(*docs[3]);
        QCOMPARE(readFile(second.path("fresh.txt")), QByteArray("{\\rtf1 typed}\nsecond line"));
        QTRY_VERIFY(descriptions(second.main->recovery().folder()).isEmpty());
    }

    void aFileComesBackInItsOwnEncoding_data()
    {
        // The file, then what Save writes after the recovery of "€ " typed at its start.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9\n") << QByteArray("\xE2\x82\xAC caf\xC3\xA9\n");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "caf\xC3\xA9\n")
                                        << QByteArray("\xEF\xBB\xBF\xE2\x82\xAC caf\xC3\xA9\n");
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE" "c\0a\0f\0\xE9\0\n\0", 12)
                                   << QByteArray("\xFF\xFE\xAC\x20 \0" "c\0a\0f\0\xE9\0\n\0", 16);
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0c\0a\0f\0\xE9\0\n", 12)
                                   << QByteArray("\xFE\xFF\x20\xAC\0 \0c\0a\0f\0\xE9\0\n", 16);
        QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x93q\x94\n") << QByteArray("\x80 caf\xE9 \x93q\x94\n");
        // Every break keeps its own style, and a lone surrogate stays itself.
        QTest::newRow("UTF-16 LE, lone surrogate, mixed breaks")
            << QByteArray("\xFF\xFE" "c\0\r\0\n\0\x00\xD8\n\0d\0\r\0", 16)
            << QByteArray("\xFF\xFE\xAC\x20 \0" "c\0\r\0\n\0\x00\xD8\n\0d\0\r\0", 20);
        QTest::newRow("binary, CR first") << QByteArray("\0\xFF\r\r\n\x85\n\xE2\x80\xA8z\r", 12)
                                          << QByteArray("\x80 \0\xFF\r\r\n\x85\n\xE2\x80\xA8z\r", 14);
    }

    void aFileComesBackInItsOwnEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
        auto first = run();
        const QString path = first->path("file.txt");
        writeFile(path, bytes);
        first->LoadNewDoc()->loadFile(path);
        first->editor()->setSelText(QStringLiteral("€ "));
        QVERIFY(writeCopiesNow(first->recovery(), 1));
        first->endAbruptly();
        auto second = run(dataFolder(*first), {Answer::Yes});
        frmDocument* doc = second->documents().value(1);
        QVERIFY(doc && doc->Caption() == path && doc->bIsDirty);
        doc->saveFile(path, platform::RichTextBox::PlainText);
        QCOMPARE(readFile(path), saved);
    }

    void aCopyOfAnEarlierVersionStillComesBack()
    {
        // Its text has '\n' for every break, in UTF-8; the description names the break style.
        QTemporaryDir data;
        const QString folder = data.filePath("Quiple/recovery/99999999-0ld0c0py");
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + "/1.json", "{\"version\": 1, \"caption\": \"Untitled 1\", \"path\": \"\", \"kind\": \"plain\", "
                                      "\"encoding\": \"utf-8\", \"lineBreaks\": \"crlf\", \"diskStamp\": \"\", "
                                      "\"order\": 1, \"data\": \"1-1.txt\"}");
        writeFile(folder + "/1-1.txt", "\xEF\xBB\xBFold\ncopy");
        auto f = run(data.path(), {Answer::Yes});
        frmDocument* doc = f->documents().value(1);
        QVERIFY(doc && doc->bIsDirty);
        doc->saveFile(f->path("old.txt"), platform::RichTextBox::PlainText);
        QCOMPARE(readFile(f->path("old.txt")), QByteArray("old\r\ncopy"));
    }

    void aSaveCutShortIsToldAtTheNextStart()
    {
        // A save writing a file in place was killed: the next start names the file and its old text.
        QTemporaryDir data;
        const QString aside = data.filePath("Quiple/kept-aside");
        QVERIFY(QDir().mkpath(aside));
        writeFile(aside + "/notes.txt.2147483646-Ab12Cd", "the old notes");
        writeFile(aside + "/notes.txt.2147483646-Ab12Cd.file", "/home/someone/notes.txt");
        auto f = run(data.path(), {Answer::Ok});
        QCOMPARE(f->messages->shown.size(), 1);
        QCOMPARE(f->messages->shown[0].prompt, "Quiple ended while it saved /home/someone/notes.txt, which may be "
                                               "incomplete.  Its text as it was before that save is kept in "
                                               + aside + "/notes.txt.2147483646-Ab12Cd.");
        QCOMPARE(readFile(aside + "/notes.txt.2147483646-Ab12Cd"), QByteArray("the old notes"));
        auto again = run(data.path()); // told once
        QVERIFY(again->messages->shown.isEmpty());
    }

    void aCancelledLoadKeepsItsCopyForTheNextStart()
    {
        auto first = run();
        first->type("small one");
        first->LoadNewDoc();
        first->editor()->setSelText(QString(300 * 1024, u'b'));
        QVERIFY(writeCopiesNow(first->recovery(), 2));
        first->endAbruptly();

        // The big copy loads under a progress window, and the user cancels it.
        platform::setProgressFromBytes(200 * 1024);
        auto cancel = std::make_unique<ProgressCanceller>();
        auto second = run(dataFolder(*first), {Answer::Yes});
        QVERIFY(cancel->shown);
        cancel.reset();
        platform::setProgressFromBytes(8 * 1024 * 1024);
        QCOMPARE(second->messages->shown.size(), 1); // cancelling is no failure to report
        QCOMPARE(second->documents().size(), 2);
        QCOMPARE(second->documents().at(1)->rtfText->Text(), QStringLiteral("small one"));

        // The recovered copy goes; the cancelled one waits, unlocked, for the next start.
        QTRY_COMPARE(QDir(rootOf(*second)).entryList({"*.lock"}, QDir::Files).size(), 1);
        auto third = run(dataFolder(*first), {Answer::Yes});
        QCOMPARE(third->messages->shown.size(), 1);
        QVERIFY(third->messages->shown[0].prompt.contains("1 unsaved document can be recovered."));
        QCOMPARE(third->active()->rtfText->Text(), QString(300 * 1024, u'b'));
        QVERIFY(third->active()->bIsDirty);
    }

    void unreadableCopiesAreNamedAndSkipped()
    {
        auto first = run();
        first->type("good text");
        QVERIFY(writeCopiesNow(first->recovery(), 1));
        const QString folder = first->recovery().folder();
        first->endAbruptly();
        // Damage of every kind beside the good copy.
        writeFile(folder + "/7.json", "{ not json");
        QJsonObject good = descriptions(folder).first();
        good["caption"] = "Missing text";
        good["data"] = "77-1.txt";
        writeFile(folder + "/8.json", QJsonDocument(good).toJson());
        good["caption"] = "Escapes its folder";
        good["data"] = "../../../../etc/passwd";
        writeFile(folder + "/9.json", QJsonDocument(good).toJson());

        auto second = run(dataFolder(*first), {Answer::Yes});
        QCOMPARE(second->messages->shown.size(), 2);
        QVERIFY(second->messages->shown[0].prompt.contains("1 unsaved document can be recovered."));
        QCOMPARE(second->documents().size(), 2);
        QCOMPARE(second->active()->rtfText->Text(), QStringLiteral("good text"));
        const FakeMessageBox::Shown& report = second->messages->shown[1];
        QVERIFY(report.icon == platform::Icon::Exclamation && report.prompt.startsWith("These recovery copies could not be read and were skipped:"));
        for (const char* named : {"/7.json: its description is damaged", "Missing text (",
                                  "/8.json): its text file is missing", "/9.json: its description names no text file"})
            QVERIFY2(report.prompt.contains(named), qPrintable(report.prompt));

        // Nothing but damage: told, with no question.
        QTemporaryDir other;
        QVERIFY(QDir().mkpath(other.filePath("Quiple/recovery/1-dead")));
        writeFile(other.filePath("Quiple/recovery/1-dead/1.json"), "\x01\x02");
        auto third = run(other.path());
        QCOMPARE(third->messages->shown.size(), 1);
        QVERIFY(third->messages->shown[0].prompt.contains("1.json: its description is damaged"));
    }

    void aFailedWriteIsToldAndLosesNothing()
    {
        // The disk fills up: the older copy stays whole and nothing half-written is left.
        SmallDisk disk(256);
        QUIPLE_NEED(disk.isValid(), "mounting a tmpfs (needs root)");
        auto f = run(disk.path("data"));
        f->type("small");
        QVERIFY(writeCopiesNow(f->recovery(), 1));
        const QString folder = f->recovery().folder();
        const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        f->editor()->setSelText(QString(400 * 1024, u'x'));
        QSignalSpy spy(&f->recovery(), &Recovery::copyWritten);
        f->recovery().flush();
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(1).toBool(), false);
        QCOMPARE(f->status, QStringLiteral("Could not keep a recovery copy of Untitled 1: "
                                           "there is not enough space on the disk."));
        QCOMPARE(f->editor()->TextLength(), 5 + 400 * 1024);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(firstCopy(folder), QByteArray("\xEF\xBB\xBFsmall"));

        // A disk full before the first copy: its folder cannot be made, and the full disk is named.
        SmallDisk full(64);
        QVERIFY(QDir().mkpath(full.path("data")));
        QFile filler(full.path("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
        }
        filler.close();
        auto g = run(full.path("data"));
        g->type("lost?");
        g->recovery().flush();
        QTRY_COMPARE(g->status, QStringLiteral("Could not keep a recovery copy of Untitled 1: "
                                               "there is not enough space on the disk."));
        QCOMPARE(g->editor()->Text(), QStringLiteral("lost?"));
    }
};

int main(int argc, char* argv[])
{
    // Helper role: a separate program that holds a run's lock until it is killed.
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        QLockFile lock(QString::fromLocal8Bit(argv[2]));
        if (!lock.tryLock(0))
            return 1;
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    QApplication app(argc, argv);
    tst_recovery tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_recovery.moc"
