#include "auxwindows/frmAbout.h"

#include "app/modMain.h"
#include "auxwindows/modLaunch.h"
#include "platform/Services.h"
#include "platform/Trap.h"

#include <QCursor>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

const QString frmAbout::Homepage = QStringLiteral("https://quiple.example.org");
const QString frmAbout::Email = QStringLiteral("support@quiple.example.org");

frmAbout::frmAbout(platform::Services& services, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), services_(services)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(modMain::AppTitle + u' '
                   + modMain::BuildVersionText(modMain::VersionMajor, modMain::VersionMinor,
                                               modMain::VersionRevision));
    setMouseTracking(true);

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setMouseTracking(true);
        l->installEventFilter(this);
        return l;
    };
    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setPixmap(QIcon(QStringLiteral(":/icons/quiple.svg")).pixmap(48, 48));
    imgIcon->setMouseTracking(true);
    imgIcon->installEventFilter(this);
    lblHomepageHeader = label("lblHomepageHeader", QStringLiteral("Homepage:"));
    lblHomepage = label("lblHomepage", Homepage);
    lblEmailHeader = label("lblEmailHeader", QStringLiteral("E-mail:"));
    lblEmail = label("lblEmail", Email);
    lblNotice = label("lblNotice", QStringLiteral("Quiple is made by the Quiple developers. Free to use and share."));
    for (QLabel* link : {lblHomepage, lblEmail}) {
        QPalette p = link->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        link->setPalette(p);
    }
    lblHomepage->setToolTip(QStringLiteral("Visit the Quiple homepage"));
    lblEmail->setToolTip(QStringLiteral("Write to the Quiple developers"));
    installEventFilter(this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(12);
    grid->addWidget(imgIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblHomepageHeader, 0, 1);
    grid->addWidget(lblHomepage, 0, 2);
    grid->addWidget(lblEmailHeader, 1, 1);
    grid->addWidget(lblEmail, 1, 2);
    grid->addWidget(lblNotice, 2, 0, 1, 3);
    setFixedSize(sizeHint());
}

QCursor frmAbout::LinkPointer()
{
    // A pointing hand of the window's own design; its hot spot is the tip of the index finger.
    return QCursor(QIcon(QStringLiteral(":/icons/linkhand.svg")).pixmap(32, 32), 12, 4);
}

QString frmAbout::HomepageRequest(const QString& homepage, const QString& title, int major,
                                  int minor, int revision)
{
    QString request = homepage + QStringLiteral("?app=") + title
        + QStringLiteral("?ver=%1.%2%3").arg(major).arg(minor).arg(revision)
        + QStringLiteral("?loc=About");
    request.remove(u' ');
    return request;
}

void frmAbout::lblHomepage_Click()
{
    platform::Trap(*services_.messages, this, QStringLiteral("lblHomepage_Click"), [&] {
        modMain::LaunchURL(services_, this,
                           HomepageRequest(lblHomepage->text(), modMain::AppTitle, modMain::VersionMajor,
                                           modMain::VersionMinor, modMain::VersionRevision));
    });
}

void frmAbout::lblEmail_Click()
{
    platform::Trap(*services_.messages, this, QStringLiteral("lblEmail_Click"),
                   [&] { modMain::LaunchEmail(services_, this, lblEmail->text()); });
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    // The pointer belongs to the whole window: the hand over the two addresses, the arrow over
    // the background, the headings and the notice; the icon leaves it as it was.
    if (event->type() == QEvent::MouseMove) {
        if (watched == lblHomepage || watched == lblEmail)
            setCursor(LinkPointer());
        else if (watched == this || watched == lblHomepageHeader || watched == lblEmailHeader
                 || watched == lblNotice)
            setCursor(Qt::ArrowCursor);
        // Handled here: the move must not reach the window's background as well.
        return watched != this;
    } else if (event->type() == QEvent::MouseButtonRelease
               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lblHomepage)
            lblHomepage_Click();
        else if (watched == lblEmail)
            lblEmail_Click();
    }
    return QDialog::eventFilter(watched, event);
}
