#include "MainFixture.h"
#include "app/modMain.h"
#include "auxwindows/frmAbout.h"
#include "auxwindows/frmSplash.h"
#include "find/frmFind.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
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
    void everyCaptionShowsWhole_data();
    void everyCaptionShowsWhole();
};

namespace {

// Each label, button and check box of the window whose caption needs more room than it has.
QStringList clippedCaptions(const QWidget& window)
{
    QStringList clipped;
    auto check = [&](const QWidget* w, const QString& text, int need, int have) {
        if (w->isVisible() && !text.isEmpty() && need > have)
            clipped << QStringLiteral("%1 %2: %3 > %4").arg(window.objectName(), text).arg(need).arg(have);
    };
    for (const QLabel* l : window.findChildren<QLabel*>()) {
        if (l->wordWrap())
            check(l, l->text(), l->heightForWidth(l->width()), l->height());
        else
            check(l, l->text(), l->sizeHint().width(), l->width());
    }
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
        // A push button's own least width is the style's taste, not room its text needs.
        QString text = b->text();
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const int need = qobject_cast<const QPushButton*>(b)
            ? b->fontMetrics().horizontalAdvance(text)
                  + 2 * b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b)
            : b->sizeHint().width();
        check(b, b->text(), need, b->width());
    }
    return clipped;
}

} // namespace

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
    for (const Qt::Key key : {Qt::Key_X, Qt::Key_Return, Qt::Key_Escape}) {
        frmSplash s;
        s.show();
        QTest::keyClick(&s, Qt::Key_Shift);
        QTest::keyClick(&s, Qt::Key_Left);
        QVERIFY(s.isVisible()); // no character
        QTest::keyClick(&s, key);
        QVERIFY(!s.isVisible());
    }
}

void tst_auxwindows::everyCaptionShowsWhole_data()
{
    QTest::addColumn<bool>("themed");
    QTest::addColumn<int>("points"); // the desktop's font size
    for (const int points : {9, 11}) {
        QTest::addRow("themed %dpt", points) << true << points;
        QTest::addRow("classic %dpt", points) << false << points;
    }
}

void tst_auxwindows::everyCaptionShowsWhole()
{
    QFETCH(bool, themed);
    QFETCH(int, points);
    const QFont desktop = QApplication::font();
    QFont font = desktop;
    font.setPointSize(points);
    QApplication::setFont(font);
    modMain::ApplyVisualStyle(themed);
    QStringList clipped;
    {
        MainFixture f;
        auto look = [&](QDialog& d) { clipped << clippedCaptions(d); };
        f.modal->scripts << look << look
                         << [&](QDialog& d) {
                                auto& options = static_cast<frmOptions&>(d);
                                for (int i = 0; i < options.tbsOptions->count(); ++i) {
                                    options.tbsOptions->setCurrentIndex(i);
                                    clipped << clippedCaptions(options);
                                }
                            };
        f.trigger("mnuEditFind");
        f.trigger("mnuHelpAbout");
        f.trigger("mnuToolsOptions");
        QCOMPARE(f.modal->shown, (QStringList{"frmFind", "frmAbout", "frmOptions"}));
    }
    QApplication::setFont(desktop);
    QCOMPARE(clipped, QStringList());
}

QTEST_MAIN(tst_auxwindows)
#include "tst_auxwindows.moc"
