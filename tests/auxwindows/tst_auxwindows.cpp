#include "MainFixture.h"
#include "app/modMain.h"
#include "auxwindows/frmAbout.h"
#include "auxwindows/frmSplash.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

class tst_auxwindows : public QObject {
    Q_OBJECT
private slots:
    void aboutBoxShowsNameAndLinks();
    void splashShowsBeforeTheMainWindow_data();
    void splashShowsBeforeTheMainWindow();
    void splashClosesByTimerClickOrCharacter();
};

void tst_auxwindows::aboutBoxShowsNameAndLinks()
{
    QCOMPARE(frmAbout::HomepageRequest("https://h.example.org/ a", "My App", 3, 2, 1),
             QStringLiteral("https://h.example.org/a?app=MyApp?ver=3.21?loc=About")); // no blanks
    MainFixture f;
    f.modal->scripts << [&](QDialog& d) {
        auto& about = static_cast<frmAbout&>(d);
        QCOMPARE(about.windowTitle(), QStringLiteral("Quiple v3.21"));
        QCOMPARE(about.lblHomepageHeader->text() + about.lblEmailHeader->text(), "Homepage:E-mail:");
        for (QLabel* link : {about.lblHomepage, about.lblEmail}) {
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            QVERIFY(!link->toolTip().isEmpty());
        }
        QTest::mouseClick(about.lblEmail, Qt::LeftButton);
        QTest::mouseClick(about.lblHomepage, Qt::LeftButton);
        d.close();
    };
    f.trigger("mnuHelpAbout");
    QCOMPARE(f.modal->shown, QStringList{"frmAbout"});
    QCOMPARE(f.shell->opened, (QStringList{"mailto:support@quiple.example.org",
                                           "https://quiple.example.org?app=Quiple?ver=3.21?loc=About"}));
}

void tst_auxwindows::splashShowsBeforeTheMainWindow_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("shown");
    QTest::newRow("absent") << QString() << true;
    QTest::newRow("yes") << "yes" << false;
}

void tst_auxwindows::splashShowsBeforeTheMainWindow()
{
    QFETCH(QString, setting);
    QFETCH(bool, shown);
    MainFixture f({{QStringLiteral("SplashScreen"), setting}}, {}, false);
    bool mainExisted = true;
    f.modal->scripts << [&](QDialog& d) {
        mainExisted = modMain::MainForm != nullptr;
        QCOMPARE(d.size(), QSize(300, 113));
        QVERIFY(d.windowFlags().testFlag(Qt::FramelessWindowHint));
        d.accept();
    };
    f.start();
    QCOMPARE(f.modal->shown.contains("frmSplash"), shown);
    QVERIFY(!shown || !mainExisted); // the main window comes after the splash window has closed
    QVERIFY(f.main && f.main->isVisible());
}

void tst_auxwindows::splashClosesByTimerClickOrCharacter()
{
    frmSplash timed; // its time (1.5 s) is measured in the real window
    timed.show();
    QTRY_VERIFY_WITH_TIMEOUT(!timed.isVisible(), 5000);
    for (const Qt::Key key : {Qt::Key_unknown, Qt::Key_X, Qt::Key_Return, Qt::Key_Escape}) {
        frmSplash s;
        s.show();
        QTest::keyClick(&s, Qt::Key_Shift);
        QTest::keyClick(&s, Qt::Key_Left);
        QVERIFY(s.isVisible()); // no character
        if (key == Qt::Key_unknown)
            QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(150, 50));
        else
            QTest::keyClick(&s, key);
        QVERIFY(!s.isVisible());
    }
}

QTEST_MAIN(tst_auxwindows)
#include "tst_auxwindows.moc"
