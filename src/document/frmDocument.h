#pragma once

#include <QWidget>

class QMdiSubWindow;
class frmMain;

namespace platform {
class RichTextBox;
}

/// A document window: one editor control filling it, the modified flag, and a caption that is
/// the document's file name ("Untitled " and a number for a new one).
class frmDocument : public QWidget {
    Q_OBJECT
public:
    explicit frmDocument(frmMain& main, QWidget* parent = nullptr);
    ~frmDocument() override;

    platform::RichTextBox* rtfText = nullptr;
    /// The document has changes that are not saved.
    bool bIsDirty = false;

    QString Caption() const;
    void setCaption(const QString& caption);
    /// A caption starting with "frmDocument" or "Untitled" names no file yet.
    bool isUntitled() const;
    static bool isUntitledCaption(const QString& caption);

    /// Reads path into the editor and makes it this document's file: its caption, no unsaved
    /// changes, and the file's size and time on disk as read. Throws AppError, leaving the
    /// document as it was.
    void loadFile(const QString& path);
    /// Writes the document to path as the given file type and makes path its file, as loadFile
    /// does. Throws AppError, leaving the document as it was.
    void saveFile(const QString& path, int fileType);
    /// After a load into this new window failed: the window goes, with nothing to ask.
    void discardUnloaded();
    /// The file's size and time as this document last read or wrote it (empty: none known).
    QString diskStamp() const { return diskStamp_; }
    void setDiskStamp(const QString& stamp) { diskStamp_ = stamp; }
    /// Takes the size and time the file has now as read.
    void noteDiskState();

    QMdiSubWindow* subWindow() const;
    bool isMinimized() const;
    frmMain& mainForm() const { return main_; }

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Initialize();
    void rtfText_Change();

    frmMain& main_;
    QString diskStamp_;
    // F3's press reached this editor and no command claims it: its release searches again.
    bool f3Searches_ = false;
};
