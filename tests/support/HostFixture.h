#pragma once

#include "MainFixture.h"
#include "app/Host.h"

#include <QPointer>
#include <QWidget>

class Recovery;

/// The smallest frame the subsystems run in, in place of the main window: a plain window whose
/// documents lie one over another (the one opened last is active), the fake services, the
/// status text and the recovery copies. A document's F3 always repeats the search here.
struct HostFixture : ServicesFixture, Host {
    QWidget window;
    QString status;

    /// Starts at once with one empty document unless told not to.
    explicit HostFixture(const QList<QPair<QString, QString>>& seed = {}, bool startNow = true);
    ~HostFixture();

    /// Opens one empty document, then offers the recovery copies a previous run left, as
    /// start-up does.
    void start();
    /// The run ends without closing anything, as when the program is killed: its copies stay.
    void endAbruptly();
    QList<frmDocument*> documents() const;
    frmDocument* active() const { return ActiveForm(); }
    platform::RichTextBox* editor() const;
    void type(const QString& text) { typeInto(*editor(), text); }

    platform::Services& services() const override;
    QWidget* frame() override { return &window; }
    frmDocument* ActiveForm() const override;
    void setStatusText(const QString& text) override { status = text; }
    frmDocument* LoadNewDoc() override;
    /// Files dropped on a document are the frame's to open; no test here drops any.
    int OpenFiles(const QStringList&, const QString&) override { return 0; }
    bool SaveBeforeClose(frmDocument&) override { return true; }
    Recovery& recovery() const override { return *recovery_; }

private:
    void activate(frmDocument& doc);
    QList<QPointer<frmDocument>> docs_;
    int untitled_ = 0;
    std::unique_ptr<Recovery> recovery_;
};
