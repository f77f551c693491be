#include "platform/Process.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>

namespace platform {

QtProcess::QtProcess() = default;
QtProcess::~QtProcess() = default;

void QtProcess::createMutex(const QString& name)
{
    // A lock file in the per-user runtime folder stands for the named mutex. Nobody reads it
    // back; a second copy finds it locked and simply goes on.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    mutex_ = std::make_unique<QLockFile>(folder + u'/' + name + QStringLiteral(".mutex"));
    mutex_->setStaleLockTime(0);
    mutex_->tryLock(0);
}

void QtProcess::startProgram(const QString& program, const QStringList& arguments)
{
    QProcess::startDetached(program, arguments);
}

void QtProcess::endNow(int exitCode)
{
    std::_Exit(exitCode);
}

void QtProcess::beep()
{
    QApplication::beep();
}

QString QtProcess::programPath() const
{
    return QCoreApplication::applicationFilePath();
}

} // namespace platform
