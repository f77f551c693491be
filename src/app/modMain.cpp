#include "app/modMain.h"

#include "app/SettingsKeys.h"
#include "platform/Services.h"

namespace modMain {

QString VersionText;
bool bUseSmartTabs = true;

QString BuildVersionText(int major, int minor, int revision)
{
    QString text = QStringLiteral("v%1.%2%3").arg(major).arg(minor).arg(revision);
    text.remove(u' ');
    return text;
}

QString GetSetting(const platform::SettingsStore& store, const QString& key,
                   const QString& defaultValue)
{
    return store.GetSetting(AppTitle, keys::Section, key, defaultValue);
}

void SaveSetting(platform::SettingsStore& store, const QString& key, const QString& value)
{
    store.SaveSetting(AppTitle, keys::Section, key, value);
}

void GetSmartTabsVal(const platform::SettingsStore& store)
{
    bUseSmartTabs = GetSetting(store, keys::UseSmartTabs, keys::Yes) == keys::Yes;
}

int TabWidthSetting(const platform::SettingsStore& store)
{
    bool ok = false;
    const int width = GetSetting(store, keys::TabWidth, keys::DefaultTabWidth).trimmed().toInt(&ok);
    return ok && width >= 1 && width <= 16 ? width : keys::DefaultTabWidth.toInt();
}

} // namespace modMain
