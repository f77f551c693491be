#pragma once

#include <QString>
#include <QByteArray>
#include <QStringList>

class frmMain;

namespace platform {
struct Services;
class SettingsStore;
} // namespace platform

/// Start-up and the few program-wide values the whole program shares.
namespace modMain {

/// The application title: the settings' application name and the start of every caption.
inline const QString AppTitle = QStringLiteral("Quiple");
constexpr int VersionMajor = QUIPLE_VERSION_MAJOR;
constexpr int VersionMinor = QUIPLE_VERSION_MINOR;
constexpr int VersionRevision = QUIPLE_VERSION_REVISION;

/// "v3.21" for version 3.2.1: minor and revision run together.
extern QString VersionText;
/// True when UseSmartTabs is "YES"; read on every Enter.
extern bool bUseSmartTabs;
/// The one main window of the run.
extern frmMain* MainForm;

QString BuildVersionText(int major, int minor, int revision);

/// Settings of section "Settings" under the application title.
QString GetSetting(const platform::SettingsStore& store, const QString& key,
                   const QString& defaultValue);
void SaveSetting(platform::SettingsStore& store, const QString& key, const QString& value);

void GetSmartTabsVal(const platform::SettingsStore& store);
/// The stored tab width; one that is not a whole number from 1 to 16 gives the default, 8.
int TabWidthSetting(const platform::SettingsStore& store);

/// The visual-styles manifest: Add writes it when it is missing, Remove deletes it wherever it
/// is; after a change, with restart true, a fresh copy of the program starts with the same
/// arguments (the files this copy was asked to open) and this one ends.
/// Both return true when they changed the file.
bool AddXPThemeSupport(platform::Services& services, bool restart,
                       const QStringList& arguments = {});
bool RemoveXPThemeSupport(platform::Services& services, bool restart,
                          const QStringList& arguments = {});
/// The 22 lines of the manifest, CR LF between them and none after the last.
QByteArray ManifestText(const QString& baseName, int major, int minor, int revision);
/// A manifest lies beside the program or in the per-user settings folder.
bool ManifestPresent(const platform::Services& services);
/// The style the option asks for: themed with a manifest, classic without.
void ApplyVisualStyle(bool themed);

/// The program's entry procedure: mutex, manifest, splash, globals, and the main window,
/// created, loaded and shown. Returns the main window, or nullptr when start-up ended early.
frmMain* Main(platform::Services& services, const QStringList& arguments);

} // namespace modMain
