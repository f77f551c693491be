#include "MainFixture.h"
#include "app/CommandLine.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "mainwindow/frmMain.h"

#include <QTest>

class tst_app : public QObject {
    Q_OBJECT
private slots:
    void commandLineItems_data();
    void commandLineItems();
    void commandTextFromSplitArguments();
    void countCharIsNonOverlapping();
    void versionAndCaption();
    void smartTabsFlagIsExact_data();
    void smartTabsFlagIsExact();
    void startUpRegistersMutex();
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

void tst_app::commandTextFromSplitArguments()
{
    const QString text = modMain::CommandText({"my file.txt", "other.txt"});
    QCOMPARE(text, QStringLiteral("\"my file.txt\" other.txt"));
    QVERIFY(modMain::ParseCommandLine(text));
    QCOMPARE(modMain::CommandLineItems, (QStringList{"my file.txt", "other.txt"}));
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

QTEST_MAIN(tst_app)
#include "tst_app.moc"
