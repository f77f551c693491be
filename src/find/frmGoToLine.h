#pragma once

#include <QDialog>

class QSpinBox;

/// Edit > Go to Line: one box for the line number, which takes only the lines the document has.
class frmGoToLine : public QDialog {
    Q_OBJECT
public:
    /// lines: how many the document has; current: the caret's line, from 1.
    frmGoToLine(qsizetype lines, qsizetype current, QWidget* parent = nullptr);

    QSpinBox* txtLineNumber = nullptr;
    /// The line chosen, from 1.
    int lineNumber() const;
};
