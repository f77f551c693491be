#pragma once

#include "Fakes.h"
#include "app/modMain.h"
#include "platform/Services.h"

#include <QTemporaryDir>
#include <QTimer>
#include <memory>

class frmMain;
class frmDocument;
namespace platform {
class RichTextBox;
}

/// The fake services: dialogs, message boxes, process, clock and fonts, and a settings store
/// and data folder of their own.
struct ServicesFixture {
    QTemporaryDir dir;
    platform::Services services;
    FakeMessageBox* messages = nullptr;
    FakeDialogs* dialogs = nullptr;
    FakeProcess* process = nullptr;
    FakeModal* modal = nullptr;
    FakeShell* shell = nullptr;
    FakeFonts* fonts = nullptr;
    FakeClock* clock = nullptr;

    /// seed: settings written first ("SplashScreen" and "UseXPThemes" are "NO" unless given;
    /// a null value leaves the key absent).
    explicit ServicesFixture(const QList<QPair<QString, QString>>& seed = {});

    QString setting(const QString& key, const QString& defaultValue = QString()) const
    {
        return modMain::GetSetting(*services.settings, key, defaultValue);
    }
    void seed(const QString& key, const QString& value) { modMain::SaveSetting(*services.settings, key, value); }
    QString path(const QString& name) const { return dir.filePath(name); }
};

void typeInto(platform::RichTextBox& editor, const QString& text);

/// The real main window over the fake services.
struct MainFixture : ServicesFixture {
    std::unique_ptr<frmMain> main;

    explicit MainFixture(const QList<QPair<QString, QString>>& seed = {},
                         const QStringList& arguments = {}, bool start = true);
    ~MainFixture();

    void start(const QStringList& arguments = {});

    frmDocument* active() const;
    platform::RichTextBox* editor() const;
    void trigger(const QString& actionName);
    void type(const QString& text) { typeInto(*editor(), text); }
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

/// A small tmpfs mounted on a temporary folder, to see what happens when a disk is full.
/// isValid() is false where mounting is not allowed.
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes);
    ~SmallDisk();
    bool isValid() const { return mounted_; }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

/// The user at a progress window: presses Cancel as soon as one shows, while armed; shown tells
/// whether one showed at all, labels what it said. Work beside the window waits at its first report
/// until the window's thread has answered (answered counts them) and the user has acted, so the
/// work never outruns the user, however fast the machine.
class ProgressCanceller : public QObject {
public:
    ProgressCanceller();
    ~ProgressCanceller() override;
    bool armed = true, shown = false;
    QStringList labels;
    int answered = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void act();
};

/// What a test needs and this machine lacks: under CI (CI set) the test fails, elsewhere it is
/// skipped; either way the message says what is missing.
#define QUIPLE_NEED(present, what)                                                          \
    do {                                                                                    \
        if (!(present) && !qEnvironmentVariableIsEmpty("CI"))                               \
            QFAIL("missing under CI: " what);                                               \
        if (!(present))                                                                     \
            QSKIP("missing: " what);                                                        \
    } while (false)
