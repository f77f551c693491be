// The File menu's list of the files opened or saved last, kept in the settings.
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Services.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace {

constexpr int kRecentFiles = 8;

QString recentKey(int i)
{
    return keys::RecentFile + QString::number(i + 1);
}

} // namespace

QStringList frmMain::recentFiles() const
{
    QStringList files;
    for (int i = 0; i < kRecentFiles; ++i) {
        const QString file = readSetting(recentKey(i), QString());
        if (!file.isEmpty() && !files.contains(file))
            files << file;
    }
    return files;
}

void frmMain::storeRecentFiles(const QStringList& files)
{
    for (int i = 0; i < kRecentFiles; ++i)
        modMain::SaveSetting(*services_.settings, recentKey(i), files.value(i));
}

void frmMain::noteRecentFile(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(full);
    files.prepend(full);
    storeRecentFiles(files.mid(0, kRecentFiles));
}

void frmMain::rebuildRecentFiles()
{
    QMenu* file = menu(QStringLiteral("mnuFile"));
    QAction* exit = action(QStringLiteral("mnuFileExit"));
    if (!file || !exit)
        return;
    for (QAction* a : file->actions()) {
        if (a->property("recentFileEntry").toBool())
            delete a;
    }
    const QStringList files = recentFiles();
    int number = 0;
    for (const QString& path : files) {
        ++number;
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(number).arg(QString(path).replace(u'&', QLatin1String("&&"))), file);
        a->setObjectName(QStringLiteral("mnuFileRecent%1").arg(number));
        a->setProperty("recentFileEntry", true);
        connect(a, &QAction::triggered, this, [this, path] { openRecentFile(path); });
        file->insertAction(exit, a);
    }
    if (!files.isEmpty()) {
        QAction* bar = new QAction(file);
        bar->setSeparator(true);
        bar->setProperty("recentFileEntry", true);
        file->insertAction(exit, bar);
    }
}

void frmMain::openRecentFile(const QString& path)
{
    if (platform::fileKind(path) == platform::FileKind::Missing) {
        QStringList files = recentFiles();
        files.removeAll(path);
        storeRecentFiles(files);
        services_.messages->show(this,
                                 path + QStringLiteral(" no longer exists.  It is taken off the list "
                                                       "of recent files."),
                                 platform::Buttons::Ok, platform::Icon::Information, modMain::AppTitle);
        return;
    }
    OpenFiles({path}, QStringLiteral("mnuFileRecent_Click"));
}
