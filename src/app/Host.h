#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class Recovery;
class frmDocument;

namespace platform {
struct Services;
}

/// What the subsystems around the frame (Find / Replace, recovery, the options) need of it: the
/// documents, the services, the status bar. The main window implements it; tests may give a
/// small one of their own.
class Host {
public:
    /// The operating-system services: settings, message boxes, dialogs.
    virtual platform::Services& services() const = 0;
    /// The window that owns dialogs and message boxes.
    virtual QWidget* frame() = 0;
    /// The active document window, or nullptr.
    virtual frmDocument* ActiveForm() const = 0;
    /// The active document window; error 91 when none is open.
    virtual frmDocument& requireActiveForm() const = 0;
    virtual void setStatusText(const QString& text) = 0;
    /// Opens a new untitled document window; nullptr when none could be made (then said).
    virtual frmDocument* LoadNewDoc() = 0;
    /// Opens each file in a window of its own; the number opened.
    virtual int OpenFiles(const QStringList& files, const QString& procedure) = 0;
    /// The recovery copies of the modified documents.
    virtual Recovery& recovery() const = 0;

protected:
    ~Host() = default;
};
