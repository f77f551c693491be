#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;

namespace platform {

/// What the program asks of its own process: a named mutex that lives as long as the process,
/// a restart, an immediate end, and the beep.
class Process {
public:
    virtual ~Process() = default;
    /// Registers a process-wide named object; a second copy of the program may hold the same name.
    virtual void createMutex(const QString& name) = 0;
    /// Starts a fresh copy of the program with these arguments.
    virtual void startProgram(const QString& program, const QStringList& arguments) = 0;
    /// Ends this process at once, without running any further code of the program.
    [[noreturn]] virtual void endNow(int exitCode) = 0;
    virtual void beep() = 0;
    virtual QString programPath() const = 0;
};

class QtProcess final : public Process {
public:
    QtProcess();
    ~QtProcess() override;
    void createMutex(const QString& name) override;
    void startProgram(const QString& program, const QStringList& arguments) override;
    [[noreturn]] void endNow(int exitCode) override;
    void beep() override;
    QString programPath() const override;

private:
    std::unique_ptr<QLockFile> mutex_;
};

} // namespace platform
