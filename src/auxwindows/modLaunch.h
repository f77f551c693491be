#pragma once

#include <QString>

class QWidget;

namespace platform {
struct Services;
}

/// Handing addresses and files to the desktop.
namespace modMain {

/// Opens a URL or a file with its default handler; the handler's result is not reported.
void LaunchURL(platform::Services& services, QWidget* owner, const QString& target);
/// Opens a new message to the address in the default mail program.
void LaunchEmail(platform::Services& services, QWidget* owner, const QString& address);

/// The help page below the program's folder, or in the shared data folder of an installed program.
QString HelpPagePath(const platform::Services& services);

} // namespace modMain
