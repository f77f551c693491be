#pragma once

#include "platform/Color.h"

#include <QObject>
#include <QString>
#include <memory>

class QPrinter;

class QWidget;

namespace platform {
struct Services;
}

/// The main window's one common dialog. Its properties keep the values the last caller left:
/// each file dialog opens on the name and the filter entry the previous one left behind.
class dlgCommonDialog : public QObject {
    Q_OBJECT
public:
    enum Flag {
        OverwritePrompt = 2,
        HideReadOnly = 4,
        NoChangeDir = 8,
        PathMustExist = 2048,
        ColorInit = 1,
        PrintSelection = 1,
        PrintSetup = 64,
    };

    dlgCommonDialog(platform::Services& services, QWidget* owner);
    ~dlgCommonDialog() override;

    QString DialogTitle;
    bool CancelError = false;
    qint32 Flags = 0;
    QString Filter;   ///< "description|patterns|description|patterns..."
    QString FileName;
    platform::ColorValue Color = 0;
    /// After a print dialog: the printer to print on (the one printer of the run).
    QPrinter* hDC = nullptr;

    void ShowOpen();
    void ShowSave();
    /// Cancel: error 32755 when CancelError is set, otherwise an empty FileName.
    void ShowColor();
    /// The print dialog, or the page setup dialog when Flags holds 64. Cancel: error 32755 when
    /// CancelError is set.
    void ShowPrinter();

    /// The dialog's own form of a "|"-joined filter: one entry per description, patterns
    /// separated by blanks; "*.*" also matches names without a dot.
    static QStringList nameFilters(const QString& filter);

private:
    void showFile(bool save);

    platform::Services& services_;
    QWidget* owner_;
    int filterIndex_ = 0;
    std::unique_ptr<QPrinter> printer_;
};
