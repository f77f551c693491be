#pragma once

#include "app/Host.h"

#include "platform/Color.h"

#include <QMainWindow>
#include <QPointer>
#include <span>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class frmDocument;
class dlgCommonDialog;
class Recovery;

namespace platform {
struct Services;
struct TextFormat;
}

/// The multiple-document frame: menus, toolbars, status bar and the document windows.
class frmMain : public QMainWindow, public Host {
    Q_OBJECT
public:
    frmMain(platform::Services& services, QStringList arguments, QWidget* parent = nullptr);
    ~frmMain() override;

    platform::Services& services() const override { return services_; }
    QWidget* frame() override { return this; }
    const QStringList& arguments() const { return arguments_; }

    // Lifecycle.
    void MDIForm_Load();
    void showLoaded();
    void setCaption(const QString& caption);
    QString caption() const;
    /// Shows the caption, and the active document's while it fills the frame.
    void updateTitle();

    /// Creates and shows one new empty document window; it becomes the active one.
    /// Opens a new untitled document window; returns it, or nullptr when none could be made
    /// (the error has then been shown).
    frmDocument* LoadNewDoc() override;
    /// The active document window, or nullptr.
    frmDocument* ActiveForm() const override;
    QList<frmDocument*> documents() const;
    QMdiArea* mdiArea() const { return mdiArea_; }
    /// The document window created last (not necessarily the active one).
    QPointer<frmDocument> frmD;
    /// Counts every LoadNewDoc of the run for the "Untitled " captions; never reset.
    qint32 UntitledCounter = 0;

    // Command state.
    void DisableMenuItems();
    void EnableMenuItems();
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;
    QAction* toolButton(QToolBar* bar, const QString& key) const;
    QToolBar* tbToolBar = nullptr;
    QToolBar* tbHTMLToolBar = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    void setStatusText(const QString& text) override;
    QString statusText() const;
    dlgCommonDialog* dlg() const { return dlgCommonDialog_; }

    void setBackColor(platform::ColorValue color);
    platform::ColorValue BackColor() const { return backColor_; }

    // File commands.
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExit_Click();
    void mnuFilePrintSetup_Click();
    void mnuFilePrint_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();
    void mnuToolsOptions_Click();
    /// The one Options dialog, loaded (hidden) on first use; it stays loaded until it is shown
    /// and closed.
    class frmOptions& OptionsForm();
    /// Save and Save As of one document; true when the document was written.
    bool SaveDocument(frmDocument& doc);
    bool SaveDocumentAs(frmDocument& doc);
    bool SaveBeforeClose(frmDocument& doc) override;
    void SetFilterText();
    /// Tells the user when the document's file was changed or deleted by another program since:
    /// an unmodified document reloads quietly, a modified one asks first.
    void CheckDiskChanges(frmDocument& doc);
    /// The file was deleted while it was being read: the window keeps what was read.
    void FileDeletedWhileRead(frmDocument& doc);
    /// The recovery copies of the modified documents.
    Recovery& recovery() const override { return *recovery_; }
    QString FilterText;

    /// Puts the file first in the File menu's list of recent files.
    void noteRecentFile(const QString& path);
    /// Opens each file in its own new window, in order; used by drops and the command line.
    /// A file that cannot be loaded is reported and its window removed; the rest still open.
    /// Returns how many were opened.
    int OpenFiles(const QStringList& files, const QString& procedure) override;
    void MDIForm_OLEDragDrop(const QStringList& files);
    /// Opens the files named on the command line, or one empty document when there are none.
    void openCommandLineFiles();

    // Clipboard and selection commands.
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditClear_Click();
    void mnuEditSelectAll_Click();
    void mnuContextCut_Click();
    void mnuContextCopy_Click();
    void mnuContextPaste_Click();
    void mnuContextClear_Click();
    void mnuContextSelectAll_Click();
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuEditGoToLine_Click();
    /// Undo and Redo (menu and pop-up menu) greyed when the active document has nothing to
    /// undo or redo.
    void refreshUndoRedo();
    /// Enables Cut and Copy (menu, context menu, toolbar) exactly when text is selected.
    void setCutCopyEnabled(bool enabled);
    /// Cut, Copy and the formatting buttons as the active document's selection asks (all off
    /// without a document); runs whenever another document becomes the active one.
    void refreshCommandState();
    /// The caret's line and column in the status bar, for the active document.
    void showCaretPosition();

    // View and Window commands and the toolbars' clicks.
    void mnuViewToolbar_Click();
    void mnuViewHTMLToolbar_Click();
    void mnuViewSyntaxColors_Click();
    void mnuViewLineNumbers_Click();
    void mnuViewWordWrap_Click();
    /// The active document's text shown larger, smaller, or at its font's size; no other
    /// document's, and nothing that is saved or printed.
    void mnuViewZoomIn_Click();
    void mnuViewZoomOut_Click();
    void mnuViewZoomNormal_Click();
    /// The View menu's display choices, as stored, on one document.
    void applyDisplayChoices(frmDocument& doc);
    /// A View menu display choice ticked or not: stored, and shown on every document.
    void toggleDisplayChoice(const QString& item, const QString& key);
    void mnuViewStatusBar_Click();
    void mnuViewRefresh_Click();
    void mnuWindowNewWindow_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    /// Cascade (0), tile horizontally (1), tile vertically (2), line up minimized windows (3).
    void Arrange(int arrangement);
    void tbToolBar_ButtonClick(const QString& key);
    void tbHTMLToolBar_ButtonClick(const QString& key);
    // The general toolbar's format buttons: Bold, Italic and Underline negate the selection's
    // format; the alignments set theirs.
    void toolBold_Click();
    void toolItalic_Click();
    void toolUnderline_Click();
    void toolAlignLeft_Click();
    void toolAlignCenter_Click();
    void toolAlignRight_Click();
    /// Shows the formatting of the selection on the general toolbar's buttons.
    void showSelectionFormat(std::optional<bool> bold, std::optional<bool> italic,
                             std::optional<bool> underline, std::optional<int> alignment);

    // HTML, date and time commands.
    void mnuHTMLTemplate_Click();
    void mnuHTMLComment_Click();
    void mnuHTMLH1_Click();
    void mnuHTMLH2_Click();
    void mnuHTMLH3_Click();
    void mnuHTMLH4_Click();
    void mnuHTMLH5_Click();
    void mnuHTMLH6_Click();
    void mnuHTMLBold_Click();
    void mnuHTMLItalic_Click();
    void mnuHTMLUnderline_Click();
    void mnuHTMLLeft_Click();
    void mnuHTMLCenter_Click();
    void mnuHTMLRight_Click();
    void mnuInsertDate_Click();
    void mnuInsertTime_Click();
    void mnuInsertTimeAndDate_Click();

    // Find and Replace.
    void mnuEditFind_Click();
    void mnuEditReplace_Click();
    /// False when F3 with this shift state (1 Shift, 2 Ctrl, 4 Alt) is the shortcut of an enabled
    /// command, which has the key to itself; true otherwise.
    bool F3RepeatsSearch(int shift) const;

    /// The pop-up menu of the toolbar area: the View menu's bar items, the same commands.
    QMenu* createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    /// Finds once the actions whose state follows the selection: Cut and Copy wherever they
    /// are, and the format buttons.
    void findStateActions();
    /// Lets the frame follow a new document window: its selection's format, Cut and Copy, its
    /// pop-up menu and F3.
    void connectDocument(frmDocument& doc);
    /// A big file read beside the window: its progress, with Stop, in the status bar while the
    /// active document is read, and what came of it once it ends.
    void showReading();
    void readingEnded(frmDocument& doc);
    /// While the active document is still being read, says so in the status bar and returns
    /// true: the command that asked edits text.
    bool refuseWhileReading();
    /// Whether a command (a menu item's or a toolbar button's name) must wait until the active
    /// document is read whole: it edits, saves or prints the text.
    static bool waitsForRead(const QString& command);
    QList<QAction*> cutCopyActions_;
    QList<QAction*> formatButtons_; ///< Bold, Italic, Underline, AlignLeft, AlignCenter, AlignRight
    bool MDIForm_QueryUnload();
    bool closeAllDocuments();
    /// Writes doc to name (its own file when ownFile) after the questions the save may need;
    /// true when it was written, false when the user turned a question down.
    bool WriteDocument(frmDocument& doc, const QString& name, bool ownFile);
    bool ConfirmOverwriteOfChangedFile(frmDocument& doc, const QString& name);
    bool ConfirmEncoding(frmDocument& doc, const QString& name);
    /// Before a plain-text save of a document the user formatted: may the formatting go?
    bool ConfirmFormatDrop(frmDocument& doc, const QString& name);
    /// The name the save dialog returns (empty when cancelled).
    QString AskSaveName(const QString& title);
    void MDIForm_Unload();
    void buildMenus();
    void buildToolbars();
    QToolBar* buildToolbar(const QString& name, const QString& title, std::span<const struct ToolRow> rows,
                           void (frmMain::*dispatch)(const QString&));
    void rebuildWindowList();
    /// The files opened or saved last, newest first, as the settings keep them.
    QStringList recentFiles() const;
    void storeRecentFiles(const QStringList& files);
    void rebuildRecentFiles();
    /// Opens a file of the list, or takes it off the list, saying so, when it is gone.
    void openRecentFile(const QString& path);
    /// File > Encoding, for the active document: how its text is written, and reading it again.
    void fillEncodingMenu();
    void chooseTextFormat(const platform::TextFormat& format, bool lineBreaks);
    void reopenWithEncoding(const platform::TextFormat& format);
    void buildStatusBar();
    void restorePlacement();
    void applyBarSetting(const QString& key, const QString& menuItem, QWidget* bar);
    QString readSetting(const QString& key, const QString& defaultValue) const;

    platform::Services& services_;
    QStringList arguments_;
    QMdiArea* mdiArea_ = nullptr;
    dlgCommonDialog* dlgCommonDialog_ = nullptr;
    std::map<QString, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    QLabel* statusPanel_ = nullptr;
    class QProgressBar* readBar_ = nullptr;
    QToolButton* readStop_ = nullptr;
    class QTimer* readTick_ = nullptr;
    qint64 readRefusedAt_ = 0; ///< when an edit was last refused (ms since the epoch); shown a while
    QLabel* datePanel_ = nullptr;
    QLabel* caretPanel_ = nullptr; // the caret's line and column
    QLabel* timePanel_ = nullptr;
    QString caption_;
    QPointer<class frmOptions> options_;
    platform::ColorValue backColor_ = 0;
    bool unloaded_ = false;
    // Last, so it goes first: it looks at the documents once more while they still exist.
    std::unique_ptr<Recovery> recovery_;
};
