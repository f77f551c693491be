// Start-up: the single-instance check, the visual style, the splash window, the main window
// and the offer of the recovery copies a previous run left.
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "auxwindows/frmSplash.h"
#include "files/Recovery.h"
#include "mainwindow/frmMain.h"
#include "platform/Services.h"
#include "platform/Trap.h"

namespace modMain {

frmMain* MainForm = nullptr;

frmMain* Main(platform::Services& services, const QStringList& arguments)
{
    frmMain* result = nullptr;
    platform::Trap(*services.messages, nullptr, QStringLiteral("Main"), [&] {
        services.process->createMutex(AppTitle);

        const bool themes = GetSetting(*services.settings, keys::UseXPThemes, keys::Yes) == keys::Yes;
        const bool restarted = themes ? AddXPThemeSupport(services, true, arguments)
                                      : RemoveXPThemeSupport(services, true, arguments);
        if (restarted)
            return;
        ApplyVisualStyle(ManifestPresent(services));

        if (GetSetting(*services.settings, keys::SplashScreen, keys::Yes) == keys::Yes) {
            frmSplash splash;
            services.modal->exec(splash);
        }

        VersionText = BuildVersionText(VersionMajor, VersionMinor, VersionRevision);
        auto* form = new frmMain(services, arguments);
        MainForm = form;
        GetSmartTabsVal(*services.settings);
        form->MDIForm_Load(); // reports its own errors; the window is shown all the same
        form->setCaption(AppTitle + u' ' + VersionText);
        form->showLoaded();
        result = form;
        form->recovery().offerPrevious(); // over the window, with its first documents open
    });
    return result;
}

} // namespace modMain
