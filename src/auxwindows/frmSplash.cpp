#include "auxwindows/frmSplash.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

frmSplash::frmSplash(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(300, 113);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1500);
    Timer->setSingleShot(true);
    connect(Timer, &QTimer::timeout, this, &QDialog::accept);
    Timer->start();
}

void frmSplash::paintEvent(QPaintEvent*)
{
    // The artwork: a page on a sky gradient, with lines of text suggested in the editor's colours.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, width(), height());
    sky.setColorAt(0, QColor(0x24, 0x40, 0x6b));
    sky.setColorAt(1, QColor(0x4f, 0x7c, 0xb8));
    p.fillRect(rect(), sky);
    QIcon(QStringLiteral(":/icons/quiple.svg")).paint(&p, QRect(18, 14, 85, 85));
    p.setPen(QPen(QColor(255, 255, 255, 170), 5, Qt::SolidLine, Qt::RoundCap));
    const int widths[] = {150, 110, 135, 80};
    for (int i = 0; i < 4; ++i)
        p.drawLine(125, 30 + i * 18, 125 + widths[i], 30 + i * 18);
    p.setPen(QPen(QColor(0xe4, 0x57, 0x2e), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(125, 30 + 3 * 18, 125 + 40, 30 + 3 * 18);
}

void frmSplash::mousePressEvent(QMouseEvent*)
{
    accept();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    // Any key that produces a character closes the picture, Enter and Esc included; Shift or an
    // arrow alone does not.
    if (!event->text().isEmpty())
        accept();
}
