#pragma once
// Small helpers the benchmark commands share.

#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "mainwindow/frmMain.h"
#include "platform/Services.h"
#include "platform/Settings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

namespace bench {

/// The longest stretch the event loop went without running, from start() on: a timer that should
/// fire every 5 ms notes each gap.
class PauseWatch {
public:
    PauseWatch()
    {
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, since_.restart());
        });
    }
    void start()
    {
        longest_ = 0;
        since_.start();
        tick_.start(5);
    }
    /// Stops watching; the longest gap, the one still open included.
    qint64 stop()
    {
        tick_.stop();
        longest_ = std::max(longest_, since_.elapsed());
        return longest_;
    }

private:
    QTimer tick_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

/// Runs the benchmark headless unless QT_QPA_PLATFORM says otherwise (call before the application).
inline void headlessUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

/// The program's own services with the settings and the per-user data (recovery copies) kept in
/// dir, never the user's; no splash window and no visual-styles restart.
inline platform::Services servicesIn(const QTemporaryDir& dir)
{
    platform::Services services = platform::Services::real();
    services.settings = std::make_unique<platform::SettingsStore>(dir.path());
    services.dataFolder = dir.filePath(QStringLiteral("data"));
    modMain::SaveSetting(*services.settings, keys::SplashScreen, keys::No);
    modMain::SaveSetting(*services.settings, keys::UseXPThemes, keys::No);
    return services;
}

/// Loads and shows the main window as the program does, with a document in it.
inline void showMainWindow(frmMain& main)
{
    modMain::MainForm = &main;
    main.MDIForm_Load();
    main.resize(1000, 700);
    main.show();
    main.activateWindow();
    if (!main.ActiveForm())
        main.LoadNewDoc();
}

/// Timings in order: the median, any percentile and the greatest (0 when there are none).
class Spread {
public:
    explicit Spread(std::vector<double> values) : sorted_(std::move(values))
    {
        std::sort(sorted_.begin(), sorted_.end());
    }
    double at(double fraction) const
    {
        if (sorted_.empty())
            return 0;
        return sorted_[std::min(sorted_.size() - 1, size_t(double(sorted_.size()) * fraction))];
    }
    double median() const { return at(0.5); }
    double max() const { return sorted_.empty() ? 0 : sorted_.back(); }
    const std::vector<double>& sorted() const { return sorted_; }

private:
    std::vector<double> sorted_;
};

/// A field of /proc/self/status in kilobytes ("VmHWM:" is the peak resident size), or -1.
inline qint64 procStatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

/// Starts a new peak: VmHWM then reports the highest resident size from here on.
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

/// Writes an RTF file of about megabytes of short paragraphs, each with bold and italic words.
inline void writeRichFile(const QString& path, int megabytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("{\\rtf1\\ansi{\\fonttbl\\f0 Arial;}\\f0 ");
    const QByteArray paragraph = "Plain words, then \\b bold words\\b0  and \\i slanted ones\\i0 .\\par\n";
    for (qint64 written = 0; written < qint64(megabytes) << 20; written += paragraph.size())
        f.write(paragraph);
    f.write("}");
}

/// The value of "--name=value" among the arguments, or fallback.
inline QString arg(const QStringList& args, const QString& name, const QString& fallback)
{
    for (const QString& a : args)
        if (a.startsWith(name + u'='))
            return a.mid(name.size() + 1);
    return fallback;
}

} // namespace bench
