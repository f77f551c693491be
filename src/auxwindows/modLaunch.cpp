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
    return QFileInfo(services.process->programPath()).absoluteDir().filePath(
        QStringLiteral("Help/QuipleHelp.html"));
}

} // namespace modMain
