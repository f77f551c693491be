#include "app/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/Services.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(modMain::AppTitle);
    QApplication::setOrganizationName(modMain::AppTitle);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quiple.svg")));
    // The desktop entry's name: Wayland desktops find the window's icon and menu entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("quiple"));

    // Each argument is one file name, as the system encodes names; Qt has taken its own options
    // out of argv by now.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << platform::decodeFileName(QByteArray(argv[i]));
    platform::Services services = platform::Services::real();
    std::unique_ptr<frmMain> window(modMain::Main(services, arguments));
    if (!window)
        return 0;
    return app.exec();
}
