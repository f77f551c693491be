// A big plain file is shown from its first part on while the rest is read beside the window: the
// status bar shows how far the read of the active document is, with a button that stops it, and
// what came of it once it ended.
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr qint64 kRefusalShownMs = 4000;

QString megabytes(qint64 bytes)
{
    return QLocale::system().toString(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

QString fileNameOf(const frmDocument& doc)
{
    return QFileInfo(doc.Caption()).fileName();
}

} // namespace

void frmMain::showReading()
{
    if (!readBar_) {
        readBar_ = new QProgressBar(this);
        readBar_->setObjectName(QStringLiteral("sbStatusBarReadProgress"));
        readBar_->setAccessibleName(QStringLiteral("Reading progress"));
        readBar_->setRange(0, 1000);
        readBar_->setMaximumWidth(160);
        readBar_->setTextVisible(false);
        readStop_ = new QToolButton(this);
        readStop_->setObjectName(QStringLiteral("sbStatusBarStopReading"));
        readStop_->setText(QStringLiteral("Stop"));
        readStop_->setToolTip(QStringLiteral("Stop reading, and keep what was read  -  Esc"));
        readStop_->setAutoRaise(true);
        connect(readStop_, &QToolButton::clicked, this, [this] {
            if (frmDocument* doc = ActiveForm())
                doc->rtfText->stopReading();
        });
        sbStatusBar->insertWidget(1, readBar_);
        sbStatusBar->insertWidget(2, readStop_);
        readTick_ = new QTimer(this);
        connect(readTick_, &QTimer::timeout, this, &frmMain::showReading);
    }
    frmDocument* doc = ActiveForm();
    const bool reading = doc && doc->rtfText->isReading();
    readBar_->setVisible(reading);
    readStop_->setVisible(reading);
    bool anyReading = false;
    for (const frmDocument* d : documents())
        anyReading = anyReading || d->rtfText->isReading();
    if (!anyReading)
        readTick_->stop();
    else if (!readTick_->isActive())
        readTick_->start(200);
    if (!reading)
        return;
    const platform::RichTextBox& box = *doc->rtfText;
    const qint64 size = std::max<qint64>(1, box.readSize());
    readBar_->setValue(int(1000 * double(box.readBytes()) / double(size)));
    // What a refused edit said stays a while before the progress takes its place again.
    if (QDateTime::currentMSecsSinceEpoch() - readRefusedAt_ < kRefusalShownMs)
        return;
    setStatusText(QStringLiteral("Reading %1: %2 of %3 MB. Esc stops the read; the text can be edited once it ends.")
                      .arg(fileNameOf(*doc), megabytes(box.readBytes()), megabytes(box.readSize())));
}

void frmMain::readingEnded(frmDocument& doc)
{
    showReading();
    if (&doc != ActiveForm())
        return;
    const platform::RichTextBox& box = *doc.rtfText;
    const QString name = fileNameOf(doc);
    if (box.isPartialRead()) {
        const QString lines = QLocale::system().toString(box.lineCount());
        QString problem = box.readProblem();
        while (problem.endsWith(u'.'))
            problem.chop(1);
        const QString why = box.readProblem().isEmpty() ? QStringLiteral("Stopped reading %1").arg(name)
                                                        : QStringLiteral("Reading %1 failed: %2").arg(name, problem);
        setStatusText(QStringLiteral("%1. Its first %2 lines are shown; they can be saved only under another name.")
                          .arg(why, lines));
    } else {
        setStatusText(QStringLiteral("Read %1 (%2 MB).").arg(name, megabytes(box.readSize())));
    }
    // A change another program made while the file was read is told now.
    CheckDiskChanges(doc);
}

bool frmMain::refuseWhileReading()
{
    frmDocument* doc = ActiveForm();
    if (!doc || !doc->rtfText->isReading())
        return false;
    readRefusedAt_ = QDateTime::currentMSecsSinceEpoch();
    setStatusText(QStringLiteral("%1 is still being read: the text can be edited once the read ends. Esc stops the read.")
                      .arg(fileNameOf(*doc)));
    return true;
}

bool frmMain::waitsForRead(const QString& command)
{
    static const QStringList kCommands = {
        // Menu items.
        QStringLiteral("mnuFileSave"), QStringLiteral("mnuFileSaveAs"), QStringLiteral("mnuFilePrint"),
        QStringLiteral("mnuEditUndo"), QStringLiteral("mnuEditRedo"), QStringLiteral("mnuEditCut"),
        QStringLiteral("mnuEditPaste"), QStringLiteral("mnuEditClear"), QStringLiteral("mnuEditReplace"),
        QStringLiteral("mnuInsertDate"), QStringLiteral("mnuInsertTime"), QStringLiteral("mnuInsertTimeAndDate"),
        QStringLiteral("mnuContextUndo"), QStringLiteral("mnuContextRedo"), QStringLiteral("mnuContextCut"),
        QStringLiteral("mnuContextPaste"), QStringLiteral("mnuContextClear"),
        // The general toolbar's buttons.
        QStringLiteral("Save"), QStringLiteral("Print"), QStringLiteral("Delete"), QStringLiteral("Cut"),
        QStringLiteral("Paste"), QStringLiteral("Bold"), QStringLiteral("Italic"), QStringLiteral("Underline"),
        QStringLiteral("AlignLeft"), QStringLiteral("AlignCenter"), QStringLiteral("AlignRight")};
    return command.startsWith(QLatin1String("mnuHTML")) || kCommands.contains(command);
}
