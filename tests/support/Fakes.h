#pragma once

#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/MessageBox.h"
#include "platform/Modal.h"
#include "platform/Process.h"
#include "platform/Shell.h"

#include <QList>
#include <QLocale>
#include <functional>

/// Message boxes answered from a script; every box shown is recorded.
class FakeMessageBox final : public platform::MessageBox {
public:
    struct Shown {
        QString prompt, title;
        platform::Buttons buttons;
        platform::Icon icon;
    };
    QList<Shown> shown;
    QList<platform::Answer> answers; ///< what the "user" clicks, in order

    platform::Answer show(QWidget*, const QString& prompt, platform::Buttons buttons,
                          platform::Icon icon, const QString& title) override;
};

/// File and colour dialogs answered from a script; every request is recorded.
class FakeDialogs final : public platform::Dialogs {
public:
    QList<platform::FileRequest> fileRequests;
    /// The names the "user" picks, in order; an empty string cancels.
    QStringList fileAnswers;
    int filterAnswer = -1; ///< the filter entry the "user" picks; -1 keeps the offered one
    QList<std::optional<QColor>> colorAnswers;
    QList<QColor> colorRequests;

    platform::FileAnswer file(QWidget* owner, const platform::FileRequest& request) override;
    std::optional<QColor> color(QWidget*, const QColor& initial) override
    {
        colorRequests << initial;
        return colorAnswers.isEmpty() ? std::nullopt : std::optional<QColor>(colorAnswers.takeFirst());
    }
    /// Printing is tried in a real window; here its dialogs are cancelled (their titles kept).
    QStringList printTitles;
    bool print(QWidget*, QPrinter&, const QString& title, bool) override { return printTitles << title, false; }
    bool pageSetup(QWidget*, QPrinter&, const QString&) override { return false; }
};

/// Records what the program asks of its process instead of doing it.
class FakeProcess final : public platform::Process {
public:
    QStringList mutexes;
    QList<QPair<QString, QStringList>> started;
    int beeps = 0;
    QString program = QStringLiteral("/proc/quiple-test/quiple"); // a folder nobody can write

    void createMutex(const QString& name) override { mutexes << name; }
    void startProgram(const QString& p, const QStringList& args) override { started.append({p, args}); }
    /// Throws platform::ProgramEnd, so a test sees the program end without ending.
    [[noreturn]] void endNow(int exitCode) override { throw platform::ProgramEnd{exitCode}; }
    void beep() override { ++beeps; }
    QString programPath() const override { return program; }
};

/// A clock that reads a set time, with fixed formats: "dd/MM/yyyy" and "HH:mm:ss" unless a test
/// sets others. Each reading moves the time on by step.
class FakeClock final : public platform::Clock {
public:
    mutable QDateTime current = QDateTime(QDate(2003, 6, 19), QTime(15, 4, 5));
    qint64 stepMilliseconds = 0;
    QString dateFormat = QStringLiteral("dd/MM/yyyy");
    QString timeFormat = QStringLiteral("HH:mm:ss");
    mutable int readings = 0;

    QDateTime now() const override;
    QString dateText(const QDate& date) const override { return QLocale::c().toString(date, dateFormat); }
    QString timeText(const QTime& time) const override { return QLocale::c().toString(time, timeFormat); }
};

/// Our own modal windows, worked by scripts: each script finds the window's controls by name,
/// uses them like a person, and closes the window. A window shown with no script left is
/// rejected (closed as with Esc) so a test never hangs.
class FakeModal final : public platform::Modal {
public:
    QList<std::function<void(QDialog&)>> scripts;
    QStringList shown; ///< objectName of every window shown, in order
    int exec(QDialog& window) override;
};

/// Records what the program hands to the desktop.
class FakeShell final : public platform::Shell {
public:
    QStringList opened;
    void open(QWidget*, const QString& target) override { opened << target; }
};

/// A fixed list of installed font families, in the order the "system" reports them.
class FakeFonts final : public platform::Fonts {
public:
    QStringList list = {"Sans", "Mono", "DejaVu Serif", "Arial", "Courier New"};
    QStringList families() override { return list; }
};
