#include "app/CommandLine.h"
#include "app/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Services.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Taken before Qt sees the command line: every argument is a file name, none Qt's option.
    const QStringList arguments = modMain::TakeFileArguments(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(modMain::AppTitle);
    QApplication::setOrganizationName(modMain::AppTitle);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quiple.svg")));
    // The desktop entry's name: Wayland desktops find the window's icon and menu entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("quiple"));

    platform::Services services = platform::Services::real();
    std::unique_ptr<frmMain> window(modMain::Main(services, arguments));
    if (!window)
        return 0;
    return app.exec();
}
