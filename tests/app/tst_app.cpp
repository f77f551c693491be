#include "MainFixture.h"
#include "app/CommandLine.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/AppError.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QTest>

class tst_app : public QObject {
    Q_OBJECT
private slots:
    void commandLineItems_data();
    void commandLineItems();
    void everyArgumentIsAFile();
    void versionAndCaption();
    void manifestFollowsTheOption();
    void startWithAChangeRestartsWithTheSameFiles();
};

void tst_app::commandLineItems_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("parsed");
    QTest::newRow("empty") << QString() << QStringList{QString()} << false;
    QTest::newRow("two names") << "a.txt b.txt" << QStringList{"a.txt", "b.txt"} << true;
    QTest::newRow("quoted with blank") << "\"my file.txt\" other.txt"
                                       << QStringList{"my file.txt", "other.txt"} << true;
    QTest::newRow("one-character last") << "a.txt b" << QStringList{"a.txt", "b"} << true;
    QTest::newRow("trailing blank") << "a.txt " << QStringList{"a.txt"} << true;
    QTest::newRow("two blanks") << "a.txt  b.txt" << QStringList{"a.txt", "", "b.txt"} << true;
    QTest::newRow("leading blank") << " a.txt" << QStringList{"a.txt"} << true;
    QTest::newRow("three quotes") << "\"a b\" \"c" << QStringList{QString()} << false;
    QTest::newRow("quotes inside") << "abc\"d e\"f" << QStringList{"abc\"d e\""} << true;
    QTest::newRow("quoted last") << "a \"b c\"" << QStringList{"a", "b c"} << true;
    QTest::newRow("only blanks") << "   " << QStringList{QString()} << false;
}

void tst_app::commandLineItems()
{
    QFETCH(QString, command);
    QFETCH(QStringList, items);
    QFETCH(bool, parsed);
    QCOMPARE(modMain::ParseCommandLine(command), parsed);
    QCOMPARE(modMain::CommandLineItems, items);
}

void tst_app::everyArgumentIsAFile()
{
    // Names that look like Qt's options or ours are files; the first "--" alone ends options.
    QByteArray words[] = {"quiple", "-reverse", "-style", "fusion", "--", "--", "-", "caf\xC3\xA9.txt"};
    char* argv[std::size(words)];
    for (size_t i = 0; i < std::size(words); ++i)
        argv[i] = words[i].data();
    int argc = int(std::size(words));
    QCOMPARE(modMain::TakeFileArguments(argc, argv),
             (QStringList{"-reverse", "-style", "fusion", "--", "-", u"caf\u00e9.txt"_qs}));
    QCOMPARE(argc, 1); // Qt is handed nothing to take
    // A restart hands the same files on, a first "--" too.
    QCOMPARE(modMain::FileArgumentsFor({"--", "a"}), (QStringList{"--", "--", "a"}));
    QCOMPARE(modMain::FileArgumentsFor({"-reverse", "--"}), (QStringList{"-reverse", "--"}));
}

void tst_app::versionAndCaption()
{
    QCOMPARE(modMain::BuildVersionText(3, 2, 1), QStringLiteral("v3.21"));
    QCOMPARE(modMain::BuildVersionText(10, 0, 12), QStringLiteral("v10.012"));
    MainFixture f;
    QCOMPARE(f.main->caption(), QStringLiteral("Quiple v3.21"));
}

void tst_app::manifestFollowsTheOption()
{
    MainFixture f;
    f.process->program = f.path("Editor"); // a copy of the program's place: never the built one
    writeFile(f.process->program, "program");
    const QString manifest = f.path("Editor.exe.manifest");
    // On, none yet: written, and a fresh copy starts without arguments while this one ends.
    QVERIFY_THROWS_EXCEPTION(platform::ProgramEnd, modMain::AddXPThemeSupport(f.services, true));
    QVERIFY(readFile(manifest).contains("name=\"Editor.exe\"\r\n"));
    QCOMPARE(f.process->started, (QList<QPair<QString, QStringList>>{{f.process->program, {}}}));
    writeFile(manifest, "old"); // on, present (even an old one): nothing changes, no restart
    QVERIFY(!modMain::AddXPThemeSupport(f.services, true));
    QCOMPARE(readFile(manifest), QByteArray("old"));
    // Off, present and read-only: deleted, restart.
    QFile::setPermissions(manifest, QFile::ReadOwner);
    QVERIFY_THROWS_EXCEPTION(platform::ProgramEnd, modMain::RemoveXPThemeSupport(f.services, true));
    QVERIFY(!QFile::exists(manifest));
    QCOMPARE(f.process->started.size(), 2);
    QVERIFY(!modMain::RemoveXPThemeSupport(f.services, true)); // off, none: nothing at all
    QCOMPARE(f.process->started.size(), 2);
    // Where the program's folder cannot be written, the settings folder holds the file.
    f.process->program = "/proc/quiple-nowhere/quiple";
    QVERIFY(modMain::AddXPThemeSupport(f.services, false));
    QVERIFY(QFile::exists(f.path("Quiple/quiple.exe.manifest")) && modMain::ManifestPresent(f.services));
    QVERIFY(!modMain::AddXPThemeSupport(f.services, false)); // found there: nothing to do
    QVERIFY(modMain::RemoveXPThemeSupport(f.services, false));
    QVERIFY(!QFile::exists(f.path("Quiple/quiple.exe.manifest")));
    // Installed under a prefix: never into the shared folder of programs, writable or not.
    f.process->program = f.path("usr/bin/quiple");
    QVERIFY(QDir().mkpath(f.path("usr/share/quiple")) && QDir().mkpath(f.path("usr/bin")));
    QVERIFY(modMain::AddXPThemeSupport(f.services, false));
    QVERIFY(QFile::exists(f.path("Quiple/quiple.exe.manifest")));
    QVERIFY(!QFile::exists(f.path("usr/bin/quiple.exe.manifest")));
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_app::startWithAChangeRestartsWithTheSameFiles()
{
    MainFixture f({{QStringLiteral("UseXPThemes"), "YES"}}, {}, false);
    f.process->program = f.path("quiple");
    writeFile(f.path("doc.txt"), "x");
    const QStringList files = {f.path("doc.txt"), f.path("my \"notes\".txt")};
    QVERIFY_THROWS_EXCEPTION(platform::ProgramEnd, modMain::Main(f.services, files));
    QCOMPARE(f.process->started.size(), 1);
    QCOMPARE(f.process->started[0].second, files); // each one as it came, blanks and quotes kept
    f.start({f.path("doc.txt")}); // the fresh copy finds the manifest and goes on
    QVERIFY(f.main && f.main->isVisible());
    QCOMPARE(f.main->documents().size(), 1); // the file alone, no empty document beside it
    QCOMPARE(f.active()->Caption(), f.path("doc.txt"));
    QCOMPARE(f.process->started.size(), 1);
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
}

QTEST_MAIN(tst_app)
#include "tst_app.moc"
