#include "MainFixture.h"
#include "app/CommandLine.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QTest>
#include "platform/AppError.h"

class tst_app : public QObject {
    Q_OBJECT
private slots:
    void commandLineItems_data();
    void commandLineItems();
    void countCharIsNonOverlapping();
    void versionAndCaption();
    void smartTabsFlagIsExact_data();
    void smartTabsFlagIsExact();
    void startUpRegistersMutex();
    void manifestTextIsExact();
    void manifestFollowsTheOption();
    void manifestFallsBackToTheSettingsFolder();
    void startWithAChangeRestartsWithTheSameFiles();
};

namespace {
// A copy of the program's place in a temporary folder: tests never touch the built program.
void useProgramIn(MainFixture& f, const QString& name = "quiple")
{
    QDir().mkpath(f.path("bin"));
    f.process->program = f.path("bin/" + name);
    writeFile(f.process->program, "program");
}
} // namespace

void tst_app::commandLineItems_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("parsed");
    QTest::newRow("empty") << QString() << QStringList{QString()} << false;
    QTest::newRow("two names") << "a.txt b.txt" << QStringList{"a.txt", "b.txt"} << true;
    QTest::newRow("quoted with blank") << "\"my file.txt\" other.txt"
                                       << QStringList{"my file.txt", "other.txt"} << true;
    QTest::newRow("single") << "a.txt" << QStringList{"a.txt"} << true;
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

void tst_app::countCharIsNonOverlapping()
{
    QCOMPARE(modMain::CommandLineCountChar("aaaa", "aa"), 2);
    QCOMPARE(modMain::CommandLineCountChar("a\"b\"", "\""), 2);
    QCOMPARE(modMain::CommandLineCountChar("abc", "A"), 0);
}

void tst_app::versionAndCaption()
{
    QCOMPARE(modMain::BuildVersionText(3, 2, 1), QStringLiteral("v3.21"));
    QCOMPARE(modMain::BuildVersionText(10, 0, 12), QStringLiteral("v10.012"));
    MainFixture f;
    QCOMPARE(modMain::VersionText, QStringLiteral("v3.21"));
    QCOMPARE(f.main->caption(), QStringLiteral("Quiple v3.21"));
}

void tst_app::smartTabsFlagIsExact_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("on");
    QTest::newRow("absent") << QString() << true;
    QTest::newRow("YES") << "YES" << true;
    QTest::newRow("yes") << "yes" << false;
    QTest::newRow("NO") << "NO" << false;
}

void tst_app::smartTabsFlagIsExact()
{
    QFETCH(QString, stored);
    QFETCH(bool, on);
    QList<QPair<QString, QString>> seed;
    if (!stored.isNull())
        seed.append({keys::UseSmartTabs, stored});
    MainFixture f(seed);
    QCOMPARE(modMain::bUseSmartTabs, on);
}

void tst_app::startUpRegistersMutex()
{
    MainFixture f;
    QCOMPARE(f.process->mutexes, QStringList{"Quiple"});
    QVERIFY(f.main->isVisible());
}

void tst_app::manifestTextIsExact()
{
    const QByteArray text = modMain::ManifestText("Editor", 3, 2, 1);
    const QList<QByteArray> lines = text.split('\n');
    QCOMPARE(lines.size(), 22);
    QCOMPARE(text.count("\r\n"), 21);
    QVERIFY(!text.endsWith('\n') && text.endsWith("</assembly>"));
    QCOMPARE(lines[0], QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r"));
    QCOMPARE(lines[5], QByteArray("    version=\"3.2.1.0\"\r"));
    QCOMPARE(lines[7], QByteArray("    name=\"Editor.exe\"\r"));
    QCOMPARE(lines[17], QByteArray("            publicKeyToken=\"6595b64144ccf1df\"\r"));
    QCOMPARE(lines[18], QByteArray("            language=\"*\" />\r"));
}

void tst_app::manifestFollowsTheOption()
{
    MainFixture f;
    useProgramIn(f, "Editor");
    const QString manifest = f.path("bin/Editor.exe.manifest");
    // On, none yet: written, and a fresh copy starts without arguments while this one ends.
    QVERIFY_THROWS_EXCEPTION(platform::ProgramEnd, modMain::AddXPThemeSupport(f.services, true));
    QCOMPARE(readFile(manifest), modMain::ManifestText("Editor", 3, 2, 1));
    QCOMPARE(f.process->started.size(), 1);
    QCOMPARE(f.process->started[0].first, f.process->program);
    QVERIFY(f.process->started[0].second.isEmpty());
    // On, present (even an old one): nothing changes, no restart.
    writeFile(manifest, "old");
    QVERIFY(!modMain::AddXPThemeSupport(f.services, true));
    QCOMPARE(readFile(manifest), QByteArray("old"));
    // Off, present and read-only: deleted, restart.
    QFile::setPermissions(manifest, QFile::ReadOwner);
    QVERIFY_THROWS_EXCEPTION(platform::ProgramEnd, modMain::RemoveXPThemeSupport(f.services, true));
    QVERIFY(!QFile::exists(manifest));
    QCOMPARE(f.process->started.size(), 2);
    // Off, none: nothing at all.
    QVERIFY(!modMain::RemoveXPThemeSupport(f.services, true));
    QCOMPARE(f.process->started.size(), 2);
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_app::manifestFallsBackToTheSettingsFolder()
{
    MainFixture f;
    f.process->program = "/proc/quiple-nowhere/quiple"; // a folder nobody can write
    QVERIFY(modMain::AddXPThemeSupport(f.services, false));
    const QString fallback = QFileInfo(f.services.settings->filePath("Quiple")).absoluteDir().filePath("quiple.exe.manifest");
    QVERIFY(QFile::exists(fallback));
    QVERIFY(modMain::ManifestPresent(f.services));
    QVERIFY(!modMain::AddXPThemeSupport(f.services, false)); // found there: nothing to do
    QVERIFY(modMain::RemoveXPThemeSupport(f.services, false));
    QVERIFY(!QFile::exists(fallback));
    // Installed under a prefix: never into the shared folder of programs, writable or not.
    f.process->program = f.path("usr/bin/quiple");
    QVERIFY(QDir().mkpath(f.path("usr/share/quiple")) && QDir().mkpath(f.path("usr/bin")));
    QVERIFY(modMain::AddXPThemeSupport(f.services, false));
    QVERIFY(QFile::exists(fallback));
    QVERIFY(!QFile::exists(f.path("usr/bin/quiple.exe.manifest")));
    QVERIFY(f.messages->shown.isEmpty());
}

void tst_app::startWithAChangeRestartsWithTheSameFiles()
{
    MainFixture f({{keys::UseXPThemes, "YES"}}, {}, false);
    useProgramIn(f);
    writeFile(f.path("doc.txt"), "x");
    const QStringList files = {f.path("doc.txt"), f.path("my \"notes\".txt")};
    QVERIFY_THROWS_EXCEPTION(platform::ProgramEnd, modMain::Main(f.services, files));
    QCOMPARE(f.process->started.size(), 1);
    QCOMPARE(f.process->started[0].second, files); // each one as it came, blanks and quotes kept
    // The fresh copy finds the manifest and goes on.
    f.start({f.path("doc.txt")});
    QVERIFY(f.main && f.main->isVisible());
    QCOMPARE(f.process->started.size(), 1);
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
}

QTEST_MAIN(tst_app)
#include "tst_app.moc"
