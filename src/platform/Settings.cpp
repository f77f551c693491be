#include "platform/Settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace platform {

SettingsStore::SettingsStore(QString folder) : folder_(std::move(folder)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString SettingsStore::filePath(const QString& application) const
{
    return folder_ + u'/' + application + u'/' + application + QStringLiteral(".conf");
}

QSettings& SettingsStore::open(const QString& application) const
{
    auto& file = files_[application];
    if (!file)
        file = std::make_unique<QSettings>(filePath(application), QSettings::IniFormat);
    return *file;
}

QString SettingsStore::GetSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& defaultValue) const
{
    QSettings& s = open(application);
    s.sync(); // another copy of the program may have written since
    const QVariant v = s.value(section + u'/' + key);
    if (!v.isValid())
        return defaultValue;
    // A value edited by hand with an unquoted comma comes back as a list: keep its text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

void SettingsStore::SaveSetting(const QString& application, const QString& section,
                                const QString& key, const QString& value)
{
    QSettings& s = open(application);
    s.setValue(section + u'/' + key, value);
    s.sync();
}

} // namespace platform
