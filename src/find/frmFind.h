#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Host;
class MatchStatus;
class frmFind;

namespace platform {
class RichTextBox;
}

namespace modFind {
/// The remembered search text, empty at start-up. Only the dialog's Cancel writes it; it fills
/// the search box when nothing is selected and drives the repeat search (F3).
extern QString sLastFindString;

/// The host's one Find / Replace dialog, made on first use and kept for the host's whole life.
frmFind& FindForm(Host& host);
/// Opens the dialog modally over the active document, filled from its selection or the
/// remembered search text; does nothing when no document is open.
void ShowFindForm(Host& host);
/// Edit > Find and Edit > Replace, inside the error trap of their procedure.
void mnuEditFind_Click(Host& host);
void mnuEditReplace_Click(Host& host);
/// F3 in a document: the last search again, one character after the last match found; with
/// nothing remembered it opens the Find / Replace dialog. Runs inside its caller's error trap.
void RepeatSearch(Host& host);
} // namespace modFind

/// "Find / Replace": the one dialog behind Edit > Find and Edit > Replace, searching the active
/// document's editor. Its search state (iFoundPos, iFindFlags) outlives each showing, while its
/// controls come back with their initial values every time it is opened.
class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(Host& host);

    QLabel* lblFindWhat = nullptr;
    QLineEdit* txtFindString = nullptr;
    QLabel* lblReplaceWith = nullptr;
    QLineEdit* txtReplaceString = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QCheckBox* chkWholeWord = nullptr;
    /// Reads "&Find" when the next click searches from the top, "&Next" while it continues.
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdReplace = nullptr;
    QPushButton* cmdReplaceAll = nullptr;
    QPushButton* cmdCancel = nullptr;

    /// Offset of the last match of Find / Next or F3; -1 when there is none, so that the next
    /// repeat search starts at the top of the document.
    qsizetype iFoundPos = -1;
    /// Option flags of the most recent search (RichTextBox::FindOption values).
    int iFindFlags = 0;

    /// Fills the search box, loading the dialog first when it is not loaded; the change handling
    /// runs even when the text is the same as before.
    void setSearchText(const QString& text);
    /// 2 with "Whole word" ticked plus 4 with "Match case" ticked, as the boxes stand now.
    int ComputeFlags() const;
    /// Says in the status bar which match a search found, of how many.
    MatchStatus& matchStatus() const { return *matchStatus_; }

    void Form_Load();
    void txtFindString_Change();
    void txtReplaceString_Change();
    /// Esc (27) closes the dialog without remembering the search text.
    void txtFindString_KeyPress(int keyAscii);
    void cmdFind_Click();
    void cmdReplace_Click();
    void cmdReplaceAll_Click();
    void cmdCancel_Click();

    static const QString kFindCaption;
    static const QString kNextCaption;

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    /// Brings every control back to its initial value, then runs Form_Load.
    void Load();
    platform::RichTextBox& editor() const;
    void trap(const QString& procedure, const std::function<void()>& body);
    void notFound(const QString& prompt);
    /// Marks what the search box holds in the active document, as the boxes stand now.
    void showMarks();
    void optionsChanged();

    Host& main_;
    qsizetype iReplacePos = 0;
    qsizetype iReplaceAllPos = 0;
    bool loaded_ = false;
    MatchStatus* matchStatus_ = nullptr;
    /// The dialog is open and its search text is marked in the document.
    bool marking_ = false;
    /// The marks are those of a search made since the dialog opened: they stay when it closes.
    bool searched_ = false;
};
