// Tools > Options: the one Options dialog, loaded on first use.
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Services.h"

frmOptions& frmMain::OptionsForm()
{
    if (!options_) {
        options_ = new frmOptions(*this, *dlg(), [this] { return frmD.data(); });
        connect(options_, &frmOptions::mainBackColorChanged, this, &frmMain::setBackColor);
        connect(options_, &frmOptions::editorOptionsChanged, this, [this] {
            for (frmDocument* doc : documents())
                applyDisplayChoices(*doc);
        });
    }
    return *options_;
}

void frmMain::mnuToolsOptions_Click()
{
    trap(QStringLiteral("mnuToolsOptions_Click"), [&] {
        frmOptions& options = OptionsForm();
        options.adjustSize();
        options.move(geometry().center() - options.rect().center());
        services_.modal->exec(options);
        // Closed by OK, Cancel or its close box: unloaded, so the next opening reads the
        // settings afresh.
        options_ = nullptr;
        options.deleteLater();
    });
}
