// The visual-styles option: a manifest file beside the program says the themed style is wanted.
#include "app/modMain.h"

#include "app/CommandLine.h"
#include "platform/Services.h"
#include "platform/Trap.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyleFactory>

namespace modMain {

namespace {

// The manifest beside the program, and the one in the per-user settings folder used where the
// program's folder cannot be written. An installed program (<prefix>/bin beside
// <prefix>/share/quiple) keeps it in the settings folder only: the folder of programs is shared
// and belongs to the package, even for a user who may write to it.
QStringList manifestPaths(const platform::Services& services)
{
    const QFileInfo program(services.process->programPath());
    const QString name = program.completeBaseName() + QStringLiteral(".exe.manifest");
    const QString inSettings =
        QFileInfo(services.settings->filePath(AppTitle)).absoluteDir().filePath(name);
    if (program.absoluteDir().exists(QStringLiteral("../share/quiple")))
        return {inSettings};
    return {program.absoluteDir().filePath(name), inSettings};
}

bool anyExists(const QStringList& paths)
{
    for (const QString& p : paths) {
        if (QFileInfo::exists(p))
            return true;
    }
    return false;
}

void restartProgram(platform::Services& services, const QStringList& arguments)
{
    // This copy ends before it opens anything, so the fresh copy opens the files it was given,
    // each argument passed on as it came.
    services.process->startProgram(services.process->programPath(), FileArgumentsFor(arguments));
    services.process->endNow(0);
}

} // namespace

QByteArray ManifestText(const QString& baseName, int major, int minor, int revision)
{
    const QStringList lines = {
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"),
        QStringLiteral("<assembly"),
        QStringLiteral("    xmlns=\"urn:schemas-microsoft-com:asm.v1\""),
        QStringLiteral("    manifestVersion=\"1.0\">"),
        QStringLiteral("<assemblyIdentity"),
        QStringLiteral("    version=\"%1.%2.%3.0\"").arg(major).arg(minor).arg(revision),
        QStringLiteral("    processorArchitecture=\"x86\""),
        QStringLiteral("    name=\"%1.exe\"").arg(baseName),
        QStringLiteral("    type=\"win32\" />"),
        QStringLiteral("<description>Multi-purpose text, code and HTML editor.</description>"),
        QStringLiteral("<dependency>"),
        QStringLiteral("    <dependentAssembly>"),
        QStringLiteral("        <assemblyIdentity"),
        QStringLiteral("            type=\"win32\""),
        QStringLiteral("            name=\"Microsoft.Windows.Common-Controls\""),
        QStringLiteral("            version=\"6.0.0.0\""),
        QStringLiteral("            processorArchitecture=\"x86\""),
        QStringLiteral("            publicKeyToken=\"6595b64144ccf1df\""),
        QStringLiteral("            language=\"*\" />"),
        QStringLiteral("    </dependentAssembly>"),
        QStringLiteral("</dependency>"),
        QStringLiteral("</assembly>"),
    };
    return lines.join(QStringLiteral("\r\n")).toLocal8Bit();
}

bool ManifestPresent(const platform::Services& services)
{
    return anyExists(manifestPaths(services));
}

bool AddXPThemeSupport(platform::Services& services, bool restart, const QStringList& arguments)
{
    bool written = false;
    platform::Trap(*services.messages, nullptr, QStringLiteral("AddXPThemeSupport"), [&] {
        const QStringList paths = manifestPaths(services);
        if (anyExists(paths))
            return;
        const QByteArray text = ManifestText(QFileInfo(services.process->programPath()).completeBaseName(),
                                             VersionMajor, VersionMinor, VersionRevision);
        QString lastError;
        for (const QString& path : paths) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush()) {
                written = true;
                return;
            }
            lastError = QStringLiteral("%1: %2").arg(path, file.errorString());
            file.close();
            QFile::remove(path);
        }
        platform::raise(platform::err::PathFileAccess,
                        QStringLiteral("Path/File access error: ") + lastError);
    });
    if (written && restart)
        restartProgram(services, arguments);
    return written;
}

bool RemoveXPThemeSupport(platform::Services& services, bool restart, const QStringList& arguments)
{
    bool removed = false;
    platform::Trap(*services.messages, nullptr, QStringLiteral("RemoveXPThemeSupport"), [&] {
        for (const QString& path : manifestPaths(services)) {
            if (!QFileInfo::exists(path))
                continue;
            QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
            if (!QFile::remove(path))
                platform::raise(platform::err::PermissionDenied,
                                QStringLiteral("Permission denied: %1").arg(path));
            removed = true;
        }
    });
    if (removed && restart)
        restartProgram(services, arguments);
    return removed;
}

void ApplyVisualStyle(bool themed)
{
    // Themed: Qt's Fusion style with the desktop's colours; otherwise the classic style.
    QApplication::setStyle(QStyleFactory::create(themed ? QStringLiteral("Fusion")
                                                        : QStringLiteral("Windows")));
}

} // namespace modMain
