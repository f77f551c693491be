#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QPrinter;
class QWidget;

namespace platform {

/// What a file dialog is asked to show.
struct FileRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QStringList nameFilters; ///< in the dialog's own form: "Text Files (*.txt *.asc)"
    int filterIndex = 0;     ///< the entry selected when the dialog opens
    QString fileName;        ///< the name it opens on
    bool confirmOverwrite = false;
    bool pathMustExist = false; ///< a name in a folder that does not exist is refused in the dialog
};

struct FileAnswer {
    bool accepted = false;
    QString fileName;
    int filterIndex = 0;
};

/// The system's common dialogs.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual FileAnswer file(QWidget* owner, const FileRequest& request) = 0;
    /// The colour picked, or nothing when cancelled.
    virtual std::optional<QColor> color(QWidget* owner, const QColor& initial) = 0;
    /// The print dialog on printer, its selection choice preselected when asked; false when
    /// cancelled. Printing to a PDF file is always offered.
    virtual bool print(QWidget* owner, QPrinter& printer, const QString& title, bool selection) = 0;
    /// The page setup dialog on printer; false when cancelled.
    virtual bool pageSetup(QWidget* owner, QPrinter& printer, const QString& title) = 0;
};

class QtDialogs final : public Dialogs {
public:
    FileAnswer file(QWidget* owner, const FileRequest& request) override;
    std::optional<QColor> color(QWidget* owner, const QColor& initial) override;
    bool print(QWidget* owner, QPrinter& printer, const QString& title, bool selection) override;
    bool pageSetup(QWidget* owner, QPrinter& printer, const QString& title) override;
};

} // namespace platform
