#include "files/dlgCommonDialog.h"

#include "platform/AppError.h"
#include "platform/Services.h"

#include <QApplication>
#include <QPrinter>
#include <QWidget>
#include <QRegularExpression>

dlgCommonDialog::dlgCommonDialog(platform::Services& services, QWidget* owner)
    : QObject(owner), services_(services), owner_(owner)
{
    setObjectName(QStringLiteral("dlgCommonDialog"));
}

dlgCommonDialog::~dlgCommonDialog() = default;

void dlgCommonDialog::ShowPrinter()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const bool accepted = (Flags & PrintSetup)
        ? services_.dialogs->pageSetup(owner_, *printer_, DialogTitle)
        : services_.dialogs->print(owner_, *printer_, DialogTitle, Flags & PrintSelection);
    if (!accepted) {
        if (CancelError)
            platform::raise(platform::err::Cancel, QStringLiteral("Cancel was selected."));
        return;
    }
    hDC = printer_.get();
}

QStringList dlgCommonDialog::nameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        QStringList patterns;
        for (const QString& p : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (pattern.isEmpty())
                continue;
            patterns << pattern;
            if (pattern == QLatin1String("*.*"))
                patterns << QStringLiteral("*"); // every file, also names without a dot
        }
        // The description usually ends with its own pattern list in parentheses: the dialog
        // reads its patterns from the last parentheses, so that part is written its way.
        static const QRegularExpression trailing(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
        description.remove(trailing);
        if (description.isEmpty())
            description = parts.at(i + 1);
        result << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    if (result.isEmpty())
        result << QStringLiteral("All Files (*)");
    return result;
}

void dlgCommonDialog::showFile(bool save)
{
    platform::FileRequest request;
    request.kind = save ? platform::FileRequest::Kind::Save : platform::FileRequest::Kind::Open;
    request.title = DialogTitle;
    request.nameFilters = nameFilters(Filter);
    request.filterIndex = std::clamp<int>(filterIndex_, 0, int(request.nameFilters.size()) - 1);
    request.fileName = FileName;
    request.confirmOverwrite = save && (Flags & OverwritePrompt);
    request.pathMustExist = Flags & PathMustExist;
    const platform::FileAnswer answer = services_.dialogs->file(owner_, request);
    if (!answer.accepted) {
        FileName.clear();
        if (CancelError)
            platform::raise(platform::err::Cancel, QStringLiteral("Cancel was selected."));
        return;
    }
    FileName = answer.fileName;
    filterIndex_ = answer.filterIndex;
}

void dlgCommonDialog::ShowOpen()
{
    showFile(false);
}

void dlgCommonDialog::ShowSave()
{
    showFile(true);
}

void dlgCommonDialog::ShowColor()
{
    const QColor initial = (Flags & ColorInit) ? platform::toQColor(Color, QApplication::palette())
                                               : QColor(Qt::black);
    const std::optional<QColor> picked = services_.dialogs->color(owner_, initial);
    if (!picked) {
        if (CancelError)
            platform::raise(platform::err::Cancel, QStringLiteral("Cancel was selected."));
        return;
    }
    Color = platform::fromQColor(*picked);
}
