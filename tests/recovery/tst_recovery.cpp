#include "HostFixture.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "files/RecoveryFiles.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <unistd.h>

using platform::Answer;

class tst_recovery : public QObject {
    Q_OBJECT
private slots:
    void copyHoldsTextAndFormat_data();
    void copyHoldsTextAndFormat();
    void copiesFollowTypingEveryFewSeconds();
    void slowCopiesWaitForAPauseInTheTyping();
    void saveCloseAndExitRemoveCopies();
    void foldersOfLiveRunsAreNeverTaken();
    void yesReopensTheDocumentsModified();
    void noDiscardsTheCopies();
    void aCancelledLoadKeepsItsCopyForTheNextStart();
    void unreadableCopiesAreNamedAndSkipped();
    void aFailedWriteIsToldAndLosesNothing();
};

namespace {

constexpr int kShortDelay = 200;

QString rootOf(const QString& dataFolder)
{
    return dataFolder + QStringLiteral("/Quiple/recovery");
}

Host& hostOf(MainFixture& f)
{
    return *f.main;
}

Host& hostOf(HostFixture& f)
{
    return f;
}

template <class Fixture>
Recovery& recoveryOf(Fixture& f)
{
    return hostOf(f).recovery();
}

QString& dataFolderOf(ServicesFixture& f)
{
    return f.services.dataFolder;
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

QByteArray dataOf(const QString& folder, const QJsonObject& description)
{
    return readFile(folder + '/' + description.value("data").toString());
}

// Takes the copies that are due and waits until the writer has written them.
template <class Fixture>
bool writeCopiesNow(Fixture& f, int expected)
{
    QSignalSpy spy(&recoveryOf(f), &Recovery::copyWritten);
    recoveryOf(f).flush();
    return QTest::qWaitFor([&] { return spy.count() >= expected; }, 10000);
}

// The run ends without closing anything, as when the program is killed: its copies stay.
void endAbruptly(MainFixture& f)
{
    f.main.reset();
}

void endAbruptly(HostFixture& f)
{
    f.endAbruptly();
}

// A second run of the program on the same data folder.
template <class Fixture>
std::unique_ptr<Fixture> nextRun(Fixture& previous, QList<Answer> answers, const QStringList& arguments = {})
{
    std::unique_ptr<Fixture> f;
    if constexpr (std::is_same_v<Fixture, MainFixture>)
        f = std::make_unique<Fixture>(QList<QPair<QString, QString>>{}, QStringList{}, false);
    else
        f = std::make_unique<Fixture>(QList<QPair<QString, QString>>{}, false);
    dataFolderOf(*f) = dataFolderOf(previous);
    f->messages->answers = std::move(answers);
    f->start(arguments);
    return f;
}

QStringList foldersIn(const QString& root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

void tst_recovery::copyHoldsTextAndFormat_data()
{
    QTest::addColumn<QString>("fileName"); // empty: a new document
    QTest::addColumn<QByteArray>("fileBytes");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("lineBreaks");
    QTest::addColumn<QByteArray>("data"); // exact bytes, or what the RTF holds

    const QString unicode = QStringLiteral("Grüße, 日本語 😀\nzwei");
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("untitled, beyond ASCII") << QString() << QByteArray() << unicode << "plain"
                                            << "utf-8" << "lf" << bom + unicode.toUtf8();
    QTest::newRow("Windows-1252 with CRLF")
        << "legacy.txt" << QByteArray("caf\xE9\r\nzwei\r\n") << unicode << "plain"
        << "windows-1252" << "crlf" << bom + QStringLiteral("café\nzwei\n").toUtf8() + unicode.toUtf8();
    QTest::newRow("typed text that looks like RTF")
        << QString() << QByteArray() << "{\\rtf1 not really}" << "plain" << "utf-8" << "lf"
        << bom + "{\\rtf1 not really}";
    QTest::newRow("rich text") << "styled.rtf"
                               << QByteArray("{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 plain \\b bold\\b0  end\\par}")
                               << "x" << "rtf" << "utf-8" << "lf" << QByteArray("{\\rtf");
    QTest::newRow("rich text with a picture")
        << "picture.rtf" << QByteArray("{\\rtf1 a{\\pict\\wmetafile8\\picw10\\pich10 01 02\r\n03}b}") << "x"
        << "rtf" << "utf-8" << "lf" << QByteArray("{\\pict\\wmetafile8\\picw10\\pich10\n010203\n}");
    QTest::newRow("plain text under an RTF name") << "notes.RTF" << QByteArray("just text\n") << "x"
                                                  << "rtf" << "utf-8" << "lf" << QByteArray("{\\rtf");
}

void tst_recovery::copyHoldsTextAndFormat()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, fileBytes);
    QFETCH(QString, typed);
    QFETCH(QString, kind);
    QFETCH(QString, encoding);
    QFETCH(QString, lineBreaks);
    QFETCH(QByteArray, data);

    HostFixture f({}, false);
    QString path;
    if (!fileName.isEmpty()) {
        path = f.path(fileName);
        writeFile(path, fileBytes);
        f.start({path});
    } else {
        f.start();
    }
    recoveryOf(f).setDelay(400);
    platform::RichTextBox& box = *f.editor();
    box.setSelStart(box.TextLength());
    QSignalSpy spy(&recoveryOf(f), &Recovery::copyWritten);
    QElapsedTimer sinceChange;
    sinceChange.start();
    box.setSelText(typed);

    // Not on the change itself: after the delay.
    QVERIFY(descriptions(recoveryOf(f).folder()).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 10000);
    QVERIFY2(sinceChange.elapsed() >= 300, qPrintable(QString::number(sinceChange.elapsed())));
    QCOMPARE(spy.at(0).at(1).toBool(), true);

    const QString folder = recoveryOf(f).folder();
    const QList<QJsonObject> list = descriptions(folder);
    QCOMPARE(list.size(), 1);
    const QJsonObject d = list.first();
    QCOMPARE(d.value("caption").toString(), fileName.isEmpty() ? QStringLiteral("Untitled 1") : path);
    QCOMPARE(d.value("path").toString(), path);
    QCOMPARE(d.value("kind").toString(), kind);
    QCOMPARE(d.value("encoding").toString(), encoding);
    QCOMPARE(d.value("lineBreaks").toString(), lineBreaks);
    const QByteArray written = dataOf(folder, d);
    if (kind == QLatin1String("plain"))
        QCOMPARE(written, data);
    else
        QVERIFY2(written.startsWith("{\\rtf") && written.contains(data), written.left(40).constData());
    QVERIFY(f.active()->bIsDirty);
}

void tst_recovery::copiesFollowTypingEveryFewSeconds()
{
    HostFixture f;
    recoveryOf(f).setDelay(300);
    QSignalSpy spy(&recoveryOf(f), &Recovery::copyWritten);
    // Steady typing for 1.5 s: a copy every delay while it goes on, not one per key, and not
    // only once the typing stops.
    for (int i = 0; i < 30; ++i) {
        f.type("a");
        QTest::qWait(50);
    }
    const int whileTyping = spy.count();
    QVERIFY2(whileTyping >= 2 && whileTyping <= 8, qPrintable(QString::number(whileTyping)));
    // The last keys get their copy too, and older texts go.
    const QString folder = recoveryOf(f).folder();
    QTRY_COMPARE(dataOf(folder, descriptions(folder).value(0)),
                 QByteArray("\xEF\xBB\xBF") + QByteArray(30, 'a'));
    QTRY_COMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
}

void tst_recovery::slowCopiesWaitForAPauseInTheTyping()
{
    HostFixture f({}, false);
    const QString path = f.path("large.txt");
    QByteArray text;
    while (text.size() < (6 << 20))
        text += "a line of a large document, long enough to take a while to copy\n";
    writeFile(path, text);
    f.start({path});
    recoveryOf(f).setDelay(400);
    f.editor()->setSelStart(f.editor()->TextLength());
    QSignalSpy spy(&recoveryOf(f), &Recovery::copyWritten);
    QElapsedTimer typing;
    typing.start();
    auto typeFor = [&](qint64 until) {
        while (typing.elapsed() < until && spy.isEmpty()) {
            f.type("a");
            QApplication::processEvents();
        }
    };
    // Keys one right after the other leave no room for a copy of this size.
    typeFor(2000);
    QCOMPARE(spy.count(), 0);
    // It is not put off for ever: ten delays on, it is taken between two keys all the same.
    typeFor(20000);
    QCOMPARE(spy.count(), 1);
    QVERIFY2(typing.elapsed() >= 4000, qPrintable(QString::number(typing.elapsed())));
    // The keys typed since go into the copy taken in the pause that follows.
    f.type("z");
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 10000);
    const QString folder = recoveryOf(f).folder();
    QVERIFY(dataOf(folder, descriptions(folder).first()).endsWith("az"));
}

void tst_recovery::saveCloseAndExitRemoveCopies()
{
    MainFixture f;
    recoveryOf(f).setDelay(kShortDelay);
    const QString folder = recoveryOf(f).folder();
    const QString root = rootOf(f.services.dataFolder);
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFileInfo::exists(folder + ".lock"));

    // Saved: the copy goes, and comes back, under the new name, with the next change.
    f.type("first");
    QVERIFY(writeCopiesNow(f, 1));
    QCOMPARE(descriptions(folder).size(), 1);
    f.dialogs->fileAnswers << f.path("saved.txt");
    f.trigger("mnuFileSave");
    QTRY_VERIFY(descriptions(folder).isEmpty());
    f.type(" second");
    QVERIFY(writeCopiesNow(f, 1));
    QCOMPARE(descriptions(folder).first().value("caption").toString(), f.path("saved.txt"));

    // Closed with No: the user turned the changes down.
    f.main->LoadNewDoc();
    f.type("dropped");
    QVERIFY(writeCopiesNow(f, 1));
    QCOMPARE(descriptions(folder).size(), 2);
    f.messages->answers << Answer::No;
    f.trigger("mnuFileClose");
    QTRY_COMPARE(descriptions(folder).size(), 1);

    // Closed with Cancel: the document and its copy stay.
    f.messages->answers << Answer::Cancel;
    f.trigger("mnuFileClose");
    QTest::qWait(kShortDelay * 2);
    QCOMPARE(descriptions(folder).size(), 1);

    // A clean exit leaves nothing behind, folder and lock included.
    f.messages->answers << Answer::No;
    QVERIFY(f.main->close());
    f.main.reset();
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void tst_recovery::foldersOfLiveRunsAreNeverTaken()
{
    // A run that is alive: this test itself, and a separate program holding its lock.
    HostFixture live;
    recoveryOf(live).setDelay(kShortDelay);
    live.type("still typing here");
    QVERIFY(writeCopiesNow(live, 1));
    const QString root = rootOf(dataFolderOf(live));

    QProcess holder;
    const QString otherFolder = root + "/4242-otherrun";
    QVERIFY(QDir().mkpath(otherFolder));
    writeFile(otherFolder + "/1.json", "{}");
    holder.start(QCoreApplication::applicationFilePath(), {"--hold-lock", otherFolder + ".lock"});
    QVERIFY(holder.waitForReadyRead(10000));

    auto second = nextRun(live, {});
    QVERIFY2(second->messages->shown.isEmpty(), "a live run's copies were offered");
    QVERIFY(QFileInfo(recoveryOf(live).folder()).isDir());
    QVERIFY(QFileInfo::exists(otherFolder + "/1.json"));
    QVERIFY(recovery::claimAbandoned(root, QString()).empty());

    // Once the other program is killed, its folder is free: claimed by one, and only one.
    holder.kill();
    QVERIFY(holder.waitForFinished(10000));
    std::vector<recovery::RunFolder> first = recovery::claimAbandoned(root, QString());
    QCOMPARE(first.size(), size_t(1));
    QCOMPARE(first.front().path, otherFolder);
    QVERIFY(recovery::claimAbandoned(root, QString()).empty());
    recovery::removeRunFolder(first.front());
    QVERIFY(!QFileInfo::exists(otherFolder));
    QVERIFY(!QFileInfo::exists(otherFolder + ".lock"));
}

void tst_recovery::yesReopensTheDocumentsModified()
{
    MainFixture first({}, {}, false);
    const QString legacy = first.path("legacy.txt");
    const QString styled = first.path("styled.rtf");
    writeFile(legacy, "caf\xE9\r\nline two\r\n");
    writeFile(styled, "{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 plain \\b bold\\b0  end\\par}");
    first.start({legacy, styled});
    recoveryOf(first).setDelay(kShortDelay);
    QList<frmDocument*> docs = first.main->documents();
    docs[0]->rtfText->setSelStart(0);
    docs[0]->rtfText->setSelText(QStringLiteral("Ünïcode "));
    docs[1]->rtfText->setSelStart(docs[1]->rtfText->TextLength());
    docs[1]->rtfText->setSelText("added");
    first.main->LoadNewDoc();
    first.editor()->setSelText("{\\rtf1 typed}\nsecond line"); // stays plain text
    first.main->LoadNewDoc(); // untouched: nothing to recover
    QVERIFY(writeCopiesNow(first, 3));
    const QString oldFolder = recoveryOf(first).folder();
    endAbruptly(first);
    QVERIFY(QFileInfo(oldFolder).isDir());

    auto second = nextRun(first, {Answer::Yes});
    QCOMPARE(second->messages->shown.size(), 1);
    const FakeMessageBox::Shown& asked = second->messages->shown.first();
    QCOMPARE(asked.prompt, QStringLiteral("Quiple did not close properly last time.  3 unsaved "
                                          "documents can be recovered.\n\nRecover them now?  If you "
                                          "choose No, they are discarded."));
    QCOMPARE(asked.title, QStringLiteral("Quiple"));
    QCOMPARE(asked.buttons, platform::Buttons::YesNo);
    QCOMPARE(asked.icon, platform::Icon::Question);

    docs = second->main->documents();
    QCOMPARE(docs.size(), 4);
    QCOMPARE(docs[0]->Caption(), QStringLiteral("Untitled 1")); // this run's own first document
    QVERIFY(!docs[0]->bIsDirty);
    QCOMPARE(docs[1]->Caption(), legacy);
    QCOMPARE(docs[2]->Caption(), styled);
    QCOMPARE(docs[3]->Caption(), QStringLiteral("Untitled 4"));
    for (int i = 1; i < 4; ++i)
        QVERIFY(docs[i]->bIsDirty);
    QCOMPARE(docs[1]->rtfText->Text(), QStringLiteral("Ünïcode café\nline two\n"));
    QCOMPARE(docs[3]->rtfText->Text(), QStringLiteral("{\\rtf1 typed}\nsecond line"));
    QVERIFY(!docs[3]->rtfText->isRichView());
    platform::RichTextBox& rich = *docs[2]->rtfText;
    QVERIFY(rich.isRichView());
    QCOMPARE(rich.Text(), QStringLiteral("plain bold endadded"));
    rich.setSelStart(6);
    rich.setSelLength(4);
    QCOMPARE(rich.SelBold(), std::optional<bool>(true));
    // The next new document goes on counting.
    second->main->LoadNewDoc();
    QCOMPARE(second->active()->Caption(), QStringLiteral("Untitled 5"));

    // The old folder goes once this run has its own copies; a third run is offered nothing.
    const QString root = rootOf(second->services.dataFolder);
    QTRY_COMPARE(foldersIn(root), QStringList{QFileInfo(recoveryOf(*second).folder()).fileName()});
    QCOMPARE(descriptions(recoveryOf(*second).folder()).size(), 3);
    QVERIFY(!QFileInfo::exists(oldFolder + ".lock"));

    // Save writes each where it belongs, as it was written before.
    second->main->SaveDocument(*docs[1]);
    QCOMPARE(readFile(legacy), QByteArray("\xDCn\xEF" "code caf\xE9\r\nline two\r\n"));
    second->main->SaveDocument(*docs[2]);
    QVERIFY(readFile(styled).startsWith("{\\rtf"));
    QVERIFY(readFile(styled).contains("added"));
    second->dialogs->fileAnswers << second->path("fresh.txt");
    second->main->SaveDocument(*docs[3]);
    QCOMPARE(readFile(second->path("fresh.txt")), QByteArray("{\\rtf1 typed}\nsecond line"));
    QTRY_VERIFY(descriptions(recoveryOf(*second).folder()).isEmpty());
}

void tst_recovery::noDiscardsTheCopies()
{
    HostFixture first;
    recoveryOf(first).setDelay(kShortDelay);
    first.type("gone");
    QVERIFY(writeCopiesNow(first, 1));
    endAbruptly(first);

    auto second = nextRun(first, {Answer::No});
    QCOMPARE(second->messages->shown.size(), 1);
    QCOMPARE(second->documents().size(), 1);
    QVERIFY(!second->active()->bIsDirty);
    const QString root = rootOf(dataFolderOf(*second));
    QTRY_COMPARE(foldersIn(root).size(), 1);
    auto third = nextRun(first, {});
    QVERIFY(third->messages->shown.isEmpty());
}

void tst_recovery::aCancelledLoadKeepsItsCopyForTheNextStart()
{
    HostFixture first;
    recoveryOf(first).setDelay(kShortDelay);
    first.type("small one");
    first.LoadNewDoc();
    first.editor()->setSelText(QString(300 * 1024, u'b'));
    QVERIFY(writeCopiesNow(first, 2));
    endAbruptly(first);

    // The big copy loads under a progress window, and the user cancels it.
    platform::setProgressFromBytes(200 * 1024);
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            if (auto* button = d->findChild<QPushButton*>())
                button->click();
        }
    });
    cancel.start(1);
    auto second = nextRun(first, {Answer::Yes});
    cancel.stop();
    platform::setProgressFromBytes(8 * 1024 * 1024);
    QCOMPARE(second->messages->shown.size(), 1); // cancelling is no failure to report
    QCOMPARE(second->documents().size(), 2);
    QCOMPARE(second->documents().at(1)->rtfText->Text(), QStringLiteral("small one"));

    // The recovered copy goes; the cancelled one waits, unlocked, for the next start.
    const QString root = rootOf(dataFolderOf(*second));
    QTRY_COMPARE(foldersIn(root).size(), 2);
    QTRY_COMPARE(QDir(root).entryList({"*.lock"}, QDir::Files).size(), 1);
    auto third = nextRun(first, {Answer::Yes});
    QCOMPARE(third->messages->shown.size(), 1);
    QVERIFY(third->messages->shown[0].prompt.contains("1 unsaved document can be recovered."));
    QCOMPARE(third->active()->rtfText->Text(), QString(300 * 1024, u'b'));
    QVERIFY(third->active()->bIsDirty);
}

void tst_recovery::unreadableCopiesAreNamedAndSkipped()
{
    HostFixture first;
    recoveryOf(first).setDelay(kShortDelay);
    first.type("good text");
    QVERIFY(writeCopiesNow(first, 1));
    const QString folder = recoveryOf(first).folder();
    endAbruptly(first);
    // Damage of every kind beside the good copy.
    writeFile(folder + "/7.json", "{ not json");
    QJsonObject good = descriptions(folder).first();
    good["caption"] = "Missing text";
    good["data"] = "77-1.txt";
    writeFile(folder + "/8.json", QJsonDocument(good).toJson());
    good["caption"] = "Escapes its folder";
    good["data"] = "../../../../etc/passwd";
    writeFile(folder + "/9.json", QJsonDocument(good).toJson());

    auto second = nextRun(first, {Answer::Yes});
    QCOMPARE(second->messages->shown.size(), 2);
    QVERIFY(second->messages->shown[0].prompt.contains("1 unsaved document can be recovered."));
    QCOMPARE(second->documents().size(), 2);
    QCOMPARE(second->active()->rtfText->Text(), QStringLiteral("good text"));
    const FakeMessageBox::Shown& report = second->messages->shown[1];
    QCOMPARE(report.buttons, platform::Buttons::Ok);
    QCOMPARE(report.icon, platform::Icon::Exclamation);
    QVERIFY(report.prompt.startsWith("These recovery copies could not be read and were skipped:"));
    for (const char* named : {"/7.json: its description is damaged",
                              "Missing text (", "/8.json): its text file is missing",
                              "/9.json: its description names no text file"})
        QVERIFY2(report.prompt.contains(named), qPrintable(report.prompt));

    // Nothing but damage: told, with no question.
    HostFixture third({}, false);
    const QString dead = rootOf(dataFolderOf(third)) + "/1-dead";
    QVERIFY(QDir().mkpath(dead));
    writeFile(dead + "/1.json", "\x01\x02");
    third.start();
    QCOMPARE(third.messages->shown.size(), 1);
    QVERIFY(third.messages->shown[0].prompt.contains("1.json: its description is damaged"));
    QCOMPARE(third.documents().size(), 1);
}

void tst_recovery::aFailedWriteIsToldAndLosesNothing()
{
    // The data folder cannot be made: the copy is refused, the document stays as it is.
    {
        HostFixture f({}, false);
        writeFile(f.path("blocked"), "a file where the folder should be");
        dataFolderOf(f) = f.path("blocked");
        f.start();
        recoveryOf(f).setDelay(kShortDelay);
        f.type("typed");
        QTRY_VERIFY(f.status.startsWith("Could not keep a recovery copy of Untitled 1: "));
        QVERIFY(!f.status.contains('\n'));
        QCOMPARE(f.editor()->Text(), QStringLiteral("typed"));
        QVERIFY(f.active()->bIsDirty);
        QVERIFY(f.messages->shown.isEmpty());
    }
    // The disk fills up: the older copy stays whole and nothing half-written is left.
    SmallDisk disk(256);
    if (!disk.isValid())
        QSKIP("cannot mount a small disk here");
    HostFixture f({}, false);
    dataFolderOf(f) = disk.path("data");
    f.start();
    recoveryOf(f).setDelay(kShortDelay);
    f.type("small");
    QVERIFY(writeCopiesNow(f, 1));
    const QString folder = recoveryOf(f).folder();
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    f.editor()->setSelText(QString(400 * 1024, u'x'));
    QSignalSpy spy(&recoveryOf(f), &Recovery::copyWritten);
    recoveryOf(f).flush();
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).toBool(), false);
    QCOMPARE(f.status, QStringLiteral("Could not keep a recovery copy of Untitled 1: "
                                                  "there is not enough space on the disk."));
    QCOMPARE(f.editor()->TextLength(), 5 + 400 * 1024);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
    QCOMPARE(dataOf(folder, descriptions(folder).first()), QByteArray("\xEF\xBB\xBFsmall"));
}

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
