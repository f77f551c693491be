#pragma once

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/MessageBox.h"
#include "platform/Modal.h"
#include "platform/Process.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <QString>
#include <memory>

namespace platform {

/// Everything the program asks of the operating system, handed as one bundle to the main window
/// when it is built: the real services in main(), fakes in the tests.
struct Services {
    std::unique_ptr<MessageBox> messages;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Process> process;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<Modal> modal;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<Fonts> fonts;
    std::unique_ptr<Clock> clock;
    /// The per-user data folder ($XDG_DATA_HOME, usually ~/.local/share), where the recovery
    /// copies of modified documents are kept; a test's own folder in the tests. Empty: no
    /// recovery copies are kept.
    QString dataFolder;

    /// The real services of a desktop session.
    static Services real();
};

} // namespace platform
