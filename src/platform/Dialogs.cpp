#include "platform/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QDir>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {

namespace {

// Qt's file dialog, which on request refuses a name in a folder that does not exist and stays
// open, so the user can mend the name instead of meeting a failed save afterwards.
class FileDialog final : public QFileDialog {
public:
    FileDialog(QWidget* owner, const QString& title, bool pathMustExist)
        : QFileDialog(owner, title), pathMustExist_(pathMustExist)
    {
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (pathMustExist_ && !files.isEmpty()) {
            const QFileInfo name(files.first());
            if (!name.isDir() && !name.absoluteDir().exists()) {
                QMessageBox::warning(this, windowTitle(),
                                     QStringLiteral("%1\nThe folder %2 does not exist.\n"
                                                    "Check the name and try again.")
                                         .arg(name.fileName(),
                                              QDir::toNativeSeparators(name.absolutePath())));
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    bool pathMustExist_;
};

} // namespace

FileAnswer QtDialogs::file(QWidget* owner, const FileRequest& request)
{
    FileDialog dialog(owner, request.title, request.pathMustExist);
    // Qt's own dialog: the same on every desktop, and drivable from the keyboard.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (request.kind == FileRequest::Kind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile); // a typed name need not exist yet
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    dialog.setNameFilters(request.nameFilters);
    if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
        dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
    if (!request.fileName.isEmpty()) {
        const QFileInfo info(request.fileName);
        if (info.isAbsolute())
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    FileAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return answer;
    answer.accepted = true;
    answer.fileName = dialog.selectedFiles().first();
    answer.filterIndex = std::max<int>(0, request.nameFilters.indexOf(dialog.selectedNameFilter()));
    return answer;
}

std::optional<QColor> QtDialogs::color(QWidget* owner, const QColor& initial)
{
    QColorDialog dialog(initial, owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedColor();
}

bool QtDialogs::print(QWidget* owner, QPrinter& printer, const QString& title, bool selection)
{
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(title);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::pageSetup(QWidget* owner, QPrinter& printer, const QString& title)
{
    QPageSetupDialog dialog(&printer, owner);
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace platform
