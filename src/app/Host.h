#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class Recovery;
class frmDocument;

namespace platform {
struct Services;
}

/// What the document windows and the subsystems around the frame (Find / Replace, the HTML
/// commands, recovery) need of it: the documents, the services, the status bar. The main window
/// implements it; tests give a small one of their own.
class Host {
public:
    /// The operating-system services: settings, message boxes, dialogs.
    virtual platform::Services& services() const = 0;
    /// The window that owns dialogs and message boxes.
    virtual QWidget* frame() = 0;
    /// The active document window, or nullptr.
    virtual frmDocument* ActiveForm() const = 0;
    virtual void setStatusText(const QString& text) = 0;
    /// Opens a new untitled document window; nullptr when none could be made (then said).
    virtual frmDocument* LoadNewDoc() = 0;
    /// Opens each file in a window of its own; the number opened.
    virtual int OpenFiles(const QStringList& files, const QString& procedure) = 0;
    /// Saves the document before its window closes: to its file, or through Save As when it
    /// has none; true when it was written.
    virtual bool SaveBeforeClose(frmDocument& doc) = 0;
    /// The recovery copies of the modified documents.
    virtual Recovery& recovery() const = 0;

    /// The active document window; error 91 when none is open.
    frmDocument& requireActiveForm() const;
    /// Runs the procedure's body inside the standard error trap, its box over the frame; true
    /// when the body ran to its end.
    bool trap(const QString& procedure, const std::function<void()>& body);

protected:
    ~Host() = default;
};
