#pragma once

#include <QString>
#include <map>
#include <memory>

class QSettings;

namespace platform {

/// The per-user settings store: string values addressed by application, section and key, kept in
/// an INI file <folder>/<application>/<application>.conf.
class SettingsStore {
public:
    /// folder: the per-user configuration folder ($XDG_CONFIG_HOME), or a test's own folder.
    explicit SettingsStore(QString folder);
    ~SettingsStore();

    /// The stored string, or defaultValue when the key is absent.
    QString GetSetting(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue) const;
    /// Stores value (written through at once, so a crash keeps it).
    void SaveSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value);

    QString filePath(const QString& application) const;

    /// The real per-user folder.
    static QString userFolder();

private:
    QSettings& open(const QString& application) const;

    QString folder_;
    mutable std::map<QString, std::unique_ptr<QSettings>> files_;
};

} // namespace platform
