#include "find/frmGoToLine.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

frmGoToLine::frmGoToLine(qsizetype lines, qsizetype current, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGoToLine"));
    setWindowTitle(QStringLiteral("Go to Line"));
    const int last = int(std::clamp<qsizetype>(lines, 1, std::numeric_limits<int>::max()));
    txtLineNumber = new QSpinBox(this);
    txtLineNumber->setObjectName(QStringLiteral("txtLineNumber"));
    // The box refuses what is not a line of the document: no number past the last, none below 1.
    txtLineNumber->setRange(1, last);
    txtLineNumber->setValue(int(std::clamp<qsizetype>(current, 1, last)));
    txtLineNumber->selectAll();
    auto* label = new QLabel(QStringLiteral("&Line number (1 to %1):").arg(last), this);
    label->setBuddy(txtLineNumber);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(txtLineNumber);
    layout->addWidget(buttons);
}

int frmGoToLine::lineNumber() const
{
    return txtLineNumber->value();
}
