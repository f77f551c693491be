#include "app/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Services.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(modMain::AppTitle);
    QApplication::setOrganizationName(modMain::AppTitle);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quiple.svg")));

    platform::Services services = platform::Services::real();
    std::unique_ptr<frmMain> window(modMain::Main(services, app.arguments().mid(1)));
    if (!window)
        return 0;
    return app.exec();
}
