#pragma once

#include <QWidget>

#include <optional>

class Host;
class QMdiSubWindow;

namespace platform {
class RichTextBox;
struct TextFormat;
}

/// A document window: one editor control filling it, the modified flag, and a caption that is
/// the document's file name ("Untitled " and a number for a new one).
class frmDocument : public QWidget {
    Q_OBJECT
public:
    explicit frmDocument(Host& host, QWidget* parent = nullptr);
    ~frmDocument() override;

    platform::RichTextBox* rtfText = nullptr;

    /// A Boolean that shows itself: while it is set, the window's title ends with " *".
    class DirtyFlag {
    public:
        explicit DirtyFlag(frmDocument& doc) : doc_(doc) {}
        DirtyFlag(const DirtyFlag&) = delete;
        DirtyFlag& operator=(bool value)
        {
            if (value != value_) {
                value_ = value;
                doc_.showTitle();
            }
            return *this;
        }
        DirtyFlag& operator=(const DirtyFlag& other) { return *this = bool(other); }
        operator bool() const { return value_; }

    private:
        frmDocument& doc_;
        bool value_ = false;
    };
    /// The document has changes that are not saved.
    DirtyFlag bIsDirty{*this};
    /// The formatting (as RichTextBox::userFormat() numbers it) that the user agreed to lose
    /// when saving as plain text.
    quint64 formatDropAgreed = 0;

    /// The file's name, or "Untitled " and a number; the title adds the unsaved-changes mark.
    QString Caption() const;
    void setCaption(const QString& caption);
    /// The caption as the Window menu and the title show it: with " *" while there are
    /// unsaved changes.
    QString markedCaption() const;
    /// A caption starting with "frmDocument" or "Untitled" names no file yet.
    bool isUntitled() const;
    static bool isUntitledCaption(const QString& caption);

    /// Reads path into the editor and makes it this document's file: its caption, no unsaved
    /// changes, and the file's size and time on disk as read. Throws AppError, leaving the
    /// document as it was. With as, the file is read as plain text in that encoding.
    void loadFile(const QString& path, const platform::TextFormat* as = nullptr);
    /// Writes the document to path as the given file type and makes path its file, as loadFile
    /// does. Throws AppError, leaving the document as it was.
    void saveFile(const QString& path, int fileType);
    /// After a load into this new window failed: the window goes, with nothing to ask.
    void discardUnloaded();
    /// The file's size and time as this document last read or wrote it (empty: none known).
    QString diskStamp() const { return diskStamp_; }
    void setDiskStamp(const QString& stamp) { diskStamp_ = stamp; }
    /// The file's size and time when the user last chose to keep this document's text over the
    /// file's (empty: never): that change is not asked about again, yet a save still asks before
    /// writing over it.
    QString keptOverStamp() const { return keptOverStamp_; }
    void setKeptOverStamp(const QString& stamp) { keptOverStamp_ = stamp; }
    /// Takes the size and time the file has now as read.
    void noteDiskState();

    QMdiSubWindow* subWindow() const;
    bool isMinimized() const;
    Host& host() const { return host_; }

    void Form_Resize();
    /// The close question; true when the window may close.
    bool Form_QueryUnload();

    // The editor's events.
    void rtfText_KeyPress(int& charCode);
    void rtfText_KeyDown(int keyCode, int shift);
    void rtfText_KeyUp(int keyCode, int shift);
    void rtfText_MouseUp(int button, int shift, double x, double y);
    void rtfText_SelChange();
    void rtfText_OLEDragDrop(const QStringList& files);

    /// After Enter: the new line gets as many tabs as the line before it holds.
    void SmartTabs();
    /// Tab characters in the line before the caret's line.
    int MeasureIndent();
    void GenerateTabs(int count);

    /// Whether the release of the F3 just pressed repeats the search: the frame's answer to
    /// searchKeyPressed, false when no command has the key.
    void armRepeatSearch(bool repeats) { f3Searches_ = repeats; }

signals:
    /// The selection's formatting, after a format key or a move of the selection (unset: mixed).
    void selectionFormatChanged(std::optional<bool> bold, std::optional<bool> italic,
                                std::optional<bool> underline, std::optional<int> alignment);
    /// Text is selected (Cut and Copy have something to take) or not.
    void copyAvailable(bool available);
    /// The caret or the selection moved, or the text changed.
    void caretMoved();
    /// The right button was let go over the text.
    void contextMenuRequested();
    /// F3 was pressed in the text, with these shift keys (1 Shift, 2 Ctrl, 4 Alt).
    void searchKeyPressed(int shift);
    /// F3 was let go, and its press was armed to repeat the search.
    void repeatSearchRequested();
    /// The window is closing: its changes were saved or given up.
    void closing();
    /// The file just loaded was deleted by another program while it was being read; its text
    /// is kept here, marked modified.
    void fileVanishedWhileRead();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void rtfText_Change();
    /// After a read (whole, or beside the window) of a file that was deleted meanwhile: its text
    /// is kept here, modified.
    void keepTextOfVanishedFile();
    void selectionFormatToFrame();

    void showTitle();

    Host& host_;
    QString caption_;
    QString diskStamp_;
    QString keptOverStamp_;
    // F3's press reached this editor and no command claims it: its release searches again.
    bool f3Searches_ = false;
    // Enter's press reached this editor: its release may run smart tabs.
    bool enterPressedHere_ = false;
};
