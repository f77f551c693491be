#include "MainFixture.h"
#include "app/modMain.h"
#include "auxwindows/frmAbout.h"
#include "auxwindows/frmSplash.h"
#include "mainwindow/frmMain.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

class tst_auxwindows : public QObject {
    Q_OBJECT
private slots:
    void homepageRequestHasNoBlanks();
    void aboutBoxShowsNameAndLinks();
    void pointerFollowsTheLinks();
    void splashShowsBeforeTheMainWindow_data();
    void splashShowsBeforeTheMainWindow();
    void splashClosesByTimerClickOrCharacter();
};

void tst_auxwindows::homepageRequestHasNoBlanks()
{
    QCOMPARE(frmAbout::HomepageRequest("https://h.example.org", "Quiple", 3, 2, 1),
             QStringLiteral("https://h.example.org?app=Quiple?ver=3.21?loc=About"));
    QCOMPARE(frmAbout::HomepageRequest("https://h.example.org/ a", "My App", 3, 2, 1),
             QStringLiteral("https://h.example.org/a?app=MyApp?ver=3.21?loc=About"));
}

void tst_auxwindows::aboutBoxShowsNameAndLinks()
{
    MainFixture f;
    f.modal->scripts << [&](QDialog& d) {
        auto& about = static_cast<frmAbout&>(d);
        QCOMPARE(about.windowTitle(), QStringLiteral("Quiple v3.21"));
        QCOMPARE(about.lblHomepageHeader->text(), QStringLiteral("Homepage:"));
        QCOMPARE(about.lblEmailHeader->text(), QStringLiteral("E-mail:"));
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
    QCOMPARE(f.shell->opened,
             (QStringList{"mailto:" + frmAbout::Email,
                          frmAbout::Homepage + "?app=Quiple?ver=3.21?loc=About"}));
}

void tst_auxwindows::pointerFollowsTheLinks()
{
    platform::Services services;
    frmAbout about(services, nullptr);
    about.show();
    auto moveOver = [&](QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    auto isHand = [&] {
        return about.cursor().shape() == Qt::BitmapCursor && about.cursor().hotSpot() == QPoint(12, 4);
    };
    moveOver(about.lblHomepage);
    QVERIFY(isHand());
    moveOver(about.imgIcon); // the icon leaves the pointer as it is
    QVERIFY(isHand());
    moveOver(about.lblEmailHeader);
    QCOMPARE(about.cursor().shape(), Qt::ArrowCursor);
    moveOver(about.lblEmail);
    QVERIFY(isHand());
    moveOver(about.lblNotice);
    QCOMPARE(about.cursor().shape(), Qt::ArrowCursor);
}

void tst_auxwindows::splashShowsBeforeTheMainWindow_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("shown");
    QTest::newRow("absent") << QString() << true;
    QTest::newRow("YES") << "YES" << true;
    QTest::newRow("yes") << "yes" << false;
    QTest::newRow("NO") << "NO" << false;
}

void tst_auxwindows::splashShowsBeforeTheMainWindow()
{
    QFETCH(QString, setting);
    QFETCH(bool, shown);
    MainFixture f({{"SplashScreen", setting}}, {}, false);
    bool mainExisted = true;
    f.modal->scripts << [&](QDialog& d) {
        mainExisted = modMain::MainForm != nullptr;
        QCOMPARE(d.size(), QSize(300, 113));
        QVERIFY(d.windowFlags().testFlag(Qt::FramelessWindowHint));
        d.accept();
    };
    f.start();
    QCOMPARE(f.modal->shown.contains("frmSplash"), shown);
    if (shown)
        QVERIFY(!mainExisted); // the main window comes after the splash window has closed
    QVERIFY(f.main && f.main->isVisible());
}

void tst_auxwindows::splashClosesByTimerClickOrCharacter()
{
    {
        frmSplash s;
        s.show();
        QCOMPARE(s.Timer->interval(), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(!s.isVisible(), 5000);
    }
    {
        frmSplash s;
        s.show();
        QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(150, 50));
        QVERIFY(!s.isVisible());
    }
    {
        frmSplash s;
        s.show();
        QTest::keyClick(&s, Qt::Key_Shift);
        QVERIFY(s.isVisible()); // no character
        QTest::keyClick(&s, Qt::Key_X);
        QVERIFY(!s.isVisible());
    }
}

QTEST_MAIN(tst_auxwindows)
#include "tst_auxwindows.moc"
