#pragma once

#include "platform/Color.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class Host;
class dlgCommonDialog;
class frmDocument;

/// The Options dialog: general behaviour, HTML tag case, colours and the document font. It
/// reads every value from the settings when it loads and writes them all back on Apply.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    /// Loads the dialog (hidden) from the settings. Colours are picked with dialogs; the
    /// document colours go to newestDocument's window, when it has one.
    frmOptions(Host& host, dlgCommonDialog& dialogs, std::function<frmDocument*()> newestDocument);

    QTabWidget* tbsOptions = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
    QRadioButton* optUpperCase = nullptr;
    QRadioButton* optLowerCase = nullptr;
    QCheckBox* chkMaximizeAsDefault = nullptr;
    QCheckBox* chkSplashScreen = nullptr;
    QCheckBox* chkConfirmExit = nullptr;
    QCheckBox* chkSmartTabs = nullptr;
    QCheckBox* chkXPThemes = nullptr;
    QFrame* shpMainBackground = nullptr;
    QFrame* shpDocBackground = nullptr;
    QList<QFrame*> Lines; ///< Line1 .. Line5
    QPushButton* cmdSetMainBackColor = nullptr;
    QPushButton* cmdSetDocBackColor = nullptr;
    QPushButton* cmdSetTextColor = nullptr;
    QPushButton* cmdDefaultColors = nullptr;
    QComboBox* cboFontName = nullptr;
    QComboBox* cboFontSize = nullptr;
    QSpinBox* spnTabWidth = nullptr;
    QCheckBox* chkInsertSpaces = nullptr;

    /// The pending colours the samples show.
    platform::ColorValue mainBackColor() const { return mainBack_; }
    platform::ColorValue docBackColor() const { return docBack_; }
    platform::ColorValue textColor() const { return text_; }

    enum class ColorUpdate {
        Apply,   ///< the user's choice: shown, the text colour given to the newest document, stored
        Display, ///< the backgrounds shown again; no document's text changes, nothing is stored
    };
    /// Applies the samples' colours to the main window and the newest document, and stores them;
    /// with Display (Paste's refresh) it only shows the backgrounds again.
    void UpdateColors(ColorUpdate how = ColorUpdate::Apply);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdSetMainBackColor_Click();
    void cmdSetDocBackColor_Click();
    void cmdSetTextColor_Click();
    void cmdDefaultColors_Click();

signals:
    /// The main window's background colour, shown again or newly applied.
    void mainBackColorChanged(platform::ColorValue color);
    /// The Editor tab's choices were stored: every document takes them.
    void editorOptionsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildGeneralTab();
    void buildColorTab();
    void buildFontTab();
    void buildEditorTab();
    void Form_Load();
    void PopulateFonts();
    void SaveGeneralOptions();
    void SaveFontOptions();
    void SaveEditorOptions();
    void selectFontName(const QString& name);
    QString fontNameText() const;
    void changed();
    bool pickColor(platform::ColorValue& target);
    void setMainBack(platform::ColorValue c);
    void setDocBack(platform::ColorValue c);
    void setTextColor(platform::ColorValue c);
    bool trap(const QString& procedure, const std::function<void()>& body);
    QString setting(const QString& key, const QString& defaultValue) const;
    void store(const QString& key, const QString& value);

    Host& host_;
    dlgCommonDialog& dialogs_;
    std::function<frmDocument*()> newestDocument_;
    platform::ColorValue mainBack_ = 0;
    platform::ColorValue docBack_ = 16777215;
    platform::ColorValue text_ = 0;
};
