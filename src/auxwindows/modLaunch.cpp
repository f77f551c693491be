#include "auxwindows/modLaunch.h"

#include "platform/Services.h"
#include "platform/Trap.h"

#include <QDir>
#include <QFileInfo>

namespace modMain {

void LaunchURL(platform::Services& services, QWidget* owner, const QString& target)
{
    platform::Trap(*services.messages, owner, QStringLiteral("LaunchURL"),
                   [&] { services.shell->open(owner, target); });
}

void LaunchEmail(platform::Services& services, QWidget* owner, const QString& address)
{
    platform::Trap(*services.messages, owner, QStringLiteral("LaunchEmail"),
                   [&] { services.shell->open(owner, QStringLiteral("mailto:") + address); });
}

QString HelpPagePath(const platform::Services& services)
{
    // Beside the program in a build tree; in the shared data folder of an installed program
    // (<prefix>/bin/quiple finds <prefix>/share/quiple/Help). When neither holds the page, the
    // path beside the program is handed on and the desktop says what is missing.
    const QDir programDir = QFileInfo(services.process->programPath()).absoluteDir();
    const QString beside = programDir.filePath(QStringLiteral("Help/QuipleHelp.html"));
    const QString installed = QDir::cleanPath(
        programDir.filePath(QStringLiteral("../share/quiple/Help/QuipleHelp.html")));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return installed;
    return beside;
}

} // namespace modMain
