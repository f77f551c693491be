#include "options/frmOptions.h"

#include "app/Host.h"
#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/dlgCommonDialog.h"
#include "options/modFont.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/Trap.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

void paint(QFrame* sample, platform::ColorValue value)
{
    QPalette p = sample->palette();
    p.setColor(QPalette::Window, platform::toQColor(value, QApplication::palette()));
    sample->setPalette(p);
    sample->setAutoFillBackground(true);
}

QLabel* note(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    return l;
}

} // namespace

frmOptions::frmOptions(Host& host, dlgCommonDialog& dialogs, std::function<frmDocument*()> newestDocument)
    : QDialog(host.frame()), host_(host), dialogs_(dialogs), newestDocument_(std::move(newestDocument))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Quiple Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    tbsOptions = named(new QTabWidget(this), "tbsOptions");
    buildGeneralTab();
    buildColorTab();
    buildFontTab();
    buildEditorTab();

    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    cmdApply = named(new QPushButton(QStringLiteral("&Apply"), this), "cmdApply");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbsOptions);
    layout->addLayout(buttons);
    Form_Load();
}

void frmOptions::buildGeneralTab()
{
    auto* page = new QWidget;
    auto* frame = named(new QGroupBox(QStringLiteral("HTML Tag Generation"), page), "frameHTMLTagGeneration");
    optUpperCase = named(new QRadioButton(QStringLiteral("&UPPERCASE"), frame), "optUpperCase");
    optLowerCase = named(new QRadioButton(QStringLiteral("&lowercase"), frame), "optLowerCase");
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(optUpperCase);
    frameLayout->addWidget(optLowerCase);
    frameLayout->addStretch();

    chkMaximizeAsDefault = named(new QCheckBox(QStringLiteral("&Maximize documents by default."), page), "chkMaximizeAsDefault");
    chkSplashScreen = named(new QCheckBox(QStringLiteral("Show &splash screen on startup."), page), "chkSplashScreen");
    chkConfirmExit = named(new QCheckBox(QStringLiteral("&Confirm before exiting."), page), "chkConfirmExit");
    chkSmartTabs = named(new QCheckBox(QStringLiteral("Use \"Smart &Tabs\" feature."), page), "chkSmartTabs");
    chkXPThemes = named(new QCheckBox(QStringLiteral("Use Windows  XP The&mes"), page), "chkXPThemes");
    auto* right = new QVBoxLayout;
    right->addWidget(chkMaximizeAsDefault);
    right->addWidget(chkSplashScreen);
    right->addWidget(chkConfirmExit);
    right->addWidget(chkSmartTabs);
    right->addWidget(named(note(QStringLiteral("(Places cursor ahead if previous line contains tab characters.)"), page), "lblSmartTabDesc"));
    right->addWidget(chkXPThemes);
    right->addWidget(named(note(QStringLiteral("(Must manually restart application for this setting to take effect.)"), page), "lblXPThemeDesc"));
    right->addStretch();
    auto* row = new QHBoxLayout(page);
    row->addWidget(frame);
    row->addLayout(right, 1);
    QWidget::setTabOrder(optUpperCase, optLowerCase);
    QWidget::setTabOrder(optLowerCase, chkMaximizeAsDefault);
    QWidget::setTabOrder(chkMaximizeAsDefault, chkSplashScreen);
    QWidget::setTabOrder(chkSplashScreen, chkConfirmExit);
    QWidget::setTabOrder(chkConfirmExit, chkSmartTabs);
    QWidget::setTabOrder(chkSmartTabs, chkXPThemes);
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             optUpperCase, optLowerCase, chkMaximizeAsDefault, chkSplashScreen, chkConfirmExit,
             chkSmartTabs, chkXPThemes})
        connect(b, &QAbstractButton::clicked, this, &frmOptions::changed);
    tbsOptions->addTab(page, QStringLiteral("&General"));
}

void frmOptions::buildColorTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto sample = [page](const char* name) {
        auto* f = named(new QFrame(page), name);
        f->setFrameShape(QFrame::Box);
        f->setFixedSize(60, 24);
        return f;
    };
    shpMainBackground = sample("shpMainBackground");
    shpDocBackground = sample("shpDocBackground");
    cmdSetMainBackColor = named(new QPushButton(QStringLiteral("Set"), page), "cmdSetMainBackColor");
    cmdSetDocBackColor = named(new QPushButton(QStringLiteral("Set"), page), "cmdSetDocBackColor");
    cmdSetTextColor = named(new QPushButton(QStringLiteral("Set"), page), "cmdSetTextColor");
    cmdDefaultColors = named(new QPushButton(QStringLiteral("Return to &Defaults"), page), "cmdDefaultColors");
    auto* lines = new QWidget(page);
    auto* linesLayout = new QVBoxLayout(lines);
    linesLayout->setSpacing(3);
    linesLayout->setContentsMargins(0, 0, 0, 0);
    const int widths[] = {60, 48, 56, 40, 52};
    for (int i = 0; i < 5; ++i) {
        auto* line = new QFrame(lines);
        line->setObjectName(QStringLiteral("Line%1").arg(i + 1));
        line->setFixedSize(widths[i], 3);
        linesLayout->addWidget(line);
        Lines << line;
    }
    grid->addWidget(named(new QLabel(QStringLiteral("Main Background"), page), "lblMainBackground"), 0, 0);
    grid->addWidget(shpMainBackground, 0, 1);
    grid->addWidget(cmdSetMainBackColor, 0, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Document Background"), page), "lblDocumentBackground"), 1, 0);
    grid->addWidget(shpDocBackground, 1, 1);
    grid->addWidget(cmdSetDocBackColor, 1, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Text Color"), page), "lblTextColor"), 2, 0);
    grid->addWidget(lines, 2, 1);
    grid->addWidget(cmdSetTextColor, 2, 2);
    grid->addWidget(cmdDefaultColors, 3, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(4, 1);
    connect(cmdSetMainBackColor, &QPushButton::clicked, this, &frmOptions::cmdSetMainBackColor_Click);
    connect(cmdSetDocBackColor, &QPushButton::clicked, this, &frmOptions::cmdSetDocBackColor_Click);
    connect(cmdSetTextColor, &QPushButton::clicked, this, &frmOptions::cmdSetTextColor_Click);
    connect(cmdDefaultColors, &QPushButton::clicked, this, &frmOptions::cmdDefaultColors_Click);
    tbsOptions->addTab(page, QStringLiteral("&Color"));
}

void frmOptions::buildFontTab()
{
    auto* page = new QWidget;
    auto* frame = named(new QGroupBox(QStringLiteral("Default Font"), page), "frameDefaultFont");
    cboFontName = named(new QComboBox(frame), "cboFontName");
    cboFontSize = named(new QComboBox(frame), "cboFontSize");
    cboFontSize->setEditable(true);
    cboFontSize->setInsertPolicy(QComboBox::NoInsert);
    // Keys reach the box itself first, which hands them to its line edit directly.
    cboFontSize->installEventFilter(this);
    cboFontSize->lineEdit()->installEventFilter(this);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(named(note(QStringLiteral("Use this to set the font that you wish to have selected each time Quiple is launched."), frame), "lblNOTE"), 0, 0, 1, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Font Name:"), frame), "lblFontName"), 1, 0);
    grid->addWidget(named(new QLabel(QStringLiteral("Size:"), frame), "lblFontSize"), 1, 1);
    grid->addWidget(cboFontName, 2, 0);
    grid->addWidget(cboFontSize, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(3, 1);
    QWidget::setTabOrder(cboFontName, cboFontSize);
    connect(cboFontName, &QComboBox::activated, this, &frmOptions::changed);
    connect(cboFontSize, &QComboBox::activated, this, &frmOptions::changed);
    connect(cboFontSize, &QComboBox::editTextChanged, this, &frmOptions::changed);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    tbsOptions->addTab(page, QStringLiteral("&Font"));
}

void frmOptions::buildEditorTab()
{
    auto* page = new QWidget;
    spnTabWidth = named(new QSpinBox(page), "spnTabWidth");
    spnTabWidth->setRange(1, 16);
    spnTabWidth->setSuffix(QStringLiteral(" characters"));
    auto* label = named(new QLabel(QStringLiteral("Tab &width:"), page), "lblTabWidth");
    label->setBuddy(spnTabWidth);
    chkInsertSpaces = named(new QCheckBox(QStringLiteral("Insert s&paces instead of tabs"), page), "chkInsertSpaces");
    auto* grid = new QGridLayout(page);
    grid->addWidget(label, 0, 0);
    grid->addWidget(spnTabWidth, 0, 1, Qt::AlignLeft);
    grid->addWidget(chkInsertSpaces, 1, 0, 1, 2);
    grid->addWidget(named(note(QStringLiteral("(With spaces, \"Smart Tabs\" copies the indent of the line above as it is.)"), page), "lblInsertSpacesDesc"), 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    QWidget::setTabOrder(spnTabWidth, chkInsertSpaces);
    connect(spnTabWidth, &QSpinBox::valueChanged, this, &frmOptions::changed);
    connect(chkInsertSpaces, &QAbstractButton::clicked, this, &frmOptions::changed);
    tbsOptions->addTab(page, QStringLiteral("&Editor"));
}

bool frmOptions::trap(const QString& procedure, const std::function<void()>& body)
{
    return platform::Trap(*host_.services().messages, this, procedure, body);
}

QString frmOptions::setting(const QString& key, const QString& defaultValue) const
{
    return modMain::GetSetting(*host_.services().settings, key, defaultValue);
}

void frmOptions::store(const QString& key, const QString& value)
{
    modMain::SaveSetting(*host_.services().settings, key, value);
}

void frmOptions::changed()
{
    cmdApply->setEnabled(true);
}

void frmOptions::PopulateFonts()
{
    trap(QStringLiteral("PopulateFonts"), [&] {
        QList<modFont::FontListEntry> list;
        modFont::GetFonts(*host_.services().fonts, list);
        // The name list keeps its entries in alphabetical order as they are added.
        QStringList names;
        for (const modFont::FontListEntry& e : list) {
            const auto at = std::upper_bound(names.begin(), names.end(), e.faceName,
                                             [](const QString& a, const QString& b) {
                                                 return a.compare(b, Qt::CaseInsensitive) < 0;
                                             });
            names.insert(at, e.faceName);
        }
        cboFontName->addItems(names);
        cboFontSize->addItems(modFont::FontSizes());
    });
}

void frmOptions::selectFontName(const QString& name)
{
    const int index = cboFontName->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    cboFontName->setCurrentIndex(index);
    // A font the system does not list is still shown, without joining the list; Apply keeps it.
    cboFontName->setPlaceholderText(index < 0 ? name : QString());
}

QString frmOptions::fontNameText() const
{
    return cboFontName->currentIndex() < 0 ? cboFontName->placeholderText() : cboFontName->currentText();
}

void frmOptions::Form_Load()
{
    trap(QStringLiteral("Form_Load"), [&] {
        PopulateFonts();
        selectFontName(setting(keys::FontName, keys::DefaultFontName));
        cboFontSize->setEditText(setting(keys::FontSize, keys::DefaultFontSize));
        chkConfirmExit->setChecked(setting(keys::ConfirmExit, keys::No) == keys::Yes);
        chkSplashScreen->setChecked(setting(keys::SplashScreen, keys::Yes) == keys::Yes);
        const bool upper = setting(keys::HTMLTagCase, keys::Uppercase) == keys::Uppercase;
        optUpperCase->setChecked(upper);
        optLowerCase->setChecked(!upper);
        chkMaximizeAsDefault->setChecked(setting(keys::MaximizeAsDefault, keys::Yes) == keys::Yes);
        chkSmartTabs->setChecked(setting(keys::UseSmartTabs, keys::Yes) == keys::Yes);
        chkXPThemes->setChecked(setting(keys::UseXPThemes, keys::Yes) == keys::Yes);
        spnTabWidth->setValue(modMain::TabWidthSetting(*host_.services().settings));
        chkInsertSpaces->setChecked(setting(keys::InsertSpaces, keys::No) == keys::Yes);
        cmdApply->setEnabled(false);
        // Each stored colour that names no colour keeps its sample's default.
        auto color = [this](const QString& key, platform::ColorValue defaultValue) {
            return platform::colorOrDefault(setting(key, QString::number(defaultValue)), defaultValue);
        };
        setMainBack(color(keys::MainBackColor, 0));
        setDocBack(color(keys::DocBackColor, 16777215));
        setTextColor(color(keys::DocForeColor, 0));
    });
}

void frmOptions::setMainBack(platform::ColorValue c)
{
    mainBack_ = c;
    paint(shpMainBackground, c);
}

void frmOptions::setDocBack(platform::ColorValue c)
{
    docBack_ = c;
    paint(shpDocBackground, c);
}

void frmOptions::setTextColor(platform::ColorValue c)
{
    text_ = c;
    for (QFrame* line : Lines)
        paint(line, c);
}

bool frmOptions::pickColor(platform::ColorValue& target)
{
    // The colour dialog starts on the colour last picked in this run; Cancel changes nothing.
    dlgCommonDialog& d = dialogs_;
    d.Flags = dlgCommonDialog::ColorInit;
    d.CancelError = true;
    try {
        d.ShowColor();
    } catch (const platform::AppError& e) {
        if (e.number == platform::err::Cancel)
            return false;
        throw;
    }
    target = d.Color;
    return true;
}

void frmOptions::cmdSetMainBackColor_Click()
{
    trap(QStringLiteral("cmdSetMainBackColor_Click"), [&] {
        changed();
        platform::ColorValue c;
        if (pickColor(c))
            setMainBack(c);
    });
}

void frmOptions::cmdSetDocBackColor_Click()
{
    trap(QStringLiteral("cmdSetDocBackColor_Click"), [&] {
        changed();
        platform::ColorValue c;
        if (pickColor(c))
            setDocBack(c);
    });
}

void frmOptions::cmdSetTextColor_Click()
{
    trap(QStringLiteral("cmdSetTextColor_Click"), [&] {
        changed();
        platform::ColorValue c;
        if (pickColor(c))
            setTextColor(c);
    });
}

void frmOptions::cmdDefaultColors_Click()
{
    trap(QStringLiteral("cmdDefaultColors_Click"), [&] {
        setDocBack(platform::kWindowBackground);
        setMainBack(0);
        setTextColor(0);
        changed();
    });
}

void frmOptions::UpdateColors(ColorUpdate how)
{
    trap(QStringLiteral("UpdateColors"), [&] {
        emit mainBackColorChanged(mainBack_);
        frmDocument* doc = newestDocument_();
        if (doc)
            doc->rtfText->setBackColor(docBack_);
        // Paste shows the colours again and nothing more: the text colour would recolour the
        // selection of whichever document was created last, and the settings would be written
        // with values nobody chose.
        if (how == ColorUpdate::Display)
            return;
        store(keys::MainBackColor, QString::number(mainBack_));
        // The newest document window may have been closed: the colours are stored all the same.
        store(keys::DocBackColor, QString::number(docBack_));
        if (doc)
            doc->rtfText->setSelColor(text_);
        store(keys::DocForeColor, QString::number(text_));
    });
}

void frmOptions::SaveGeneralOptions()
{
    trap(QStringLiteral("SaveGeneralOptions"), [&] {
        auto yesNo = [](const QCheckBox* b) { return b->isChecked() ? keys::Yes : keys::No; };
        store(keys::ConfirmExit, yesNo(chkConfirmExit));
        store(keys::SplashScreen, yesNo(chkSplashScreen));
        store(keys::HTMLTagCase, optUpperCase->isChecked() ? keys::Uppercase : keys::Lowercase);
        store(keys::MaximizeAsDefault, yesNo(chkMaximizeAsDefault));
        store(keys::UseSmartTabs, yesNo(chkSmartTabs));
        modMain::bUseSmartTabs = chkSmartTabs->isChecked();
        store(keys::UseXPThemes, yesNo(chkXPThemes));
    });
}

void frmOptions::SaveEditorOptions()
{
    trap(QStringLiteral("SaveEditorOptions"), [&] {
        store(keys::TabWidth, QString::number(spnTabWidth->value()));
        store(keys::InsertSpaces, chkInsertSpaces->isChecked() ? keys::Yes : keys::No);
        emit editorOptionsChanged();
    });
}

void frmOptions::SaveFontOptions()
{
    trap(QStringLiteral("SaveFontOptions"), [&] {
        const QString name = fontNameText();
        const QString size = cboFontSize->currentText();
        store(keys::FontName, name);
        store(keys::FontSize, size);
        platform::RichTextBox& box = *host_.requireActiveForm().rtfText;
        box.setFontName(name);
        bool ok = false;
        const double points = size.toDouble(&ok);
        if (!ok)
            platform::raise(platform::err::TypeMismatch, QStringLiteral("Type mismatch"));
        box.setFontSize(points);
    });
}

void frmOptions::cmdApply_Click()
{
    trap(QStringLiteral("cmdApply_Click"), [&] {
        cmdApply->setEnabled(false);
        UpdateColors();
        SaveGeneralOptions();
        SaveEditorOptions();
        SaveFontOptions();
    });
}

void frmOptions::cmdOK_Click()
{
    trap(QStringLiteral("cmdOK_Click"), [&] {
        if (cmdApply->isEnabled())
            cmdApply_Click();
        accept();
    });
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event)
{
    // The size box takes digits and Backspace; any other character puts the stored size back,
    // with the caret at its start, and beeps.
    if ((watched == cboFontSize || watched == cboFontSize->lineEdit())
        && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cmdOK->click(); // Enter presses the default button here too
            return true;
        }
        const QString text = key->text();
        if (!text.isEmpty() && key->key() != Qt::Key_Backspace) {
            const QChar c = text.at(0);
            if (!(c >= u'0' && c <= u'9')) {
                // Tab, Shift+Tab, Esc and the like move or close as in every other box.
                if (!c.isPrint() && key->key() != Qt::Key_Space)
                    return QDialog::eventFilter(watched, event);
                cboFontSize->setEditText(setting(keys::FontSize, keys::DefaultFontSize));
                cboFontSize->lineEdit()->setCursorPosition(0);
                host_.services().process->beep();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
