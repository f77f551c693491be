#include "platform/Services.h"

#include <QStandardPaths>

namespace platform {

Services Services::real()
{
    Services s;
    s.messages = std::make_unique<QtMessageBox>();
    s.settings = std::make_unique<SettingsStore>(SettingsStore::userFolder());
    s.process = std::make_unique<QtProcess>();
    s.dialogs = std::make_unique<QtDialogs>();
    s.modal = std::make_unique<QtModal>();
    s.shell = std::make_unique<QtShell>();
    s.fonts = std::make_unique<QtFonts>();
    s.clock = std::make_unique<SystemClock>();
    s.dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return s;
}

} // namespace platform
