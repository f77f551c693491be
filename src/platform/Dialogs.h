#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

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
};

class QtDialogs final : public Dialogs {
public:
    FileAnswer file(QWidget* owner, const FileRequest& request) override;
    std::optional<QColor> color(QWidget* owner, const QColor& initial) override;
};

} // namespace platform
