// File > Encoding: how the active plain document is written, and reading its file again in
// another encoding.
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/FileFormat.h"
#include "mainwindow/frmMain.h"
#include "platform/AppError.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "platform/Services.h"
#include "platform/TextFile.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

using platform::TextFormat;

// The encodings most files use stand in the menu itself; the others in a submenu of it.
constexpr int kFirstShown = 7;

// Adds a row for each offered encoding to menu, calling pick with the one chosen; the row of
// current (if any) is ticked.
void addEncodingRows(QMenu& menu, const TextFormat* current,
                     const std::function<void(const TextFormat&)>& pick)
{
    auto* group = new QActionGroup(&menu);
    QMenu* more = nullptr;
    const QList<TextFormat>& offered = platform::offeredEncodings();
    for (int i = 0; i < offered.size(); ++i) {
        const TextFormat format = offered[i];
        if (i == kFirstShown)
            more = menu.addMenu(QStringLiteral("&Other Encodings"));
        QMenu& into = more ? *more : menu;
        QAction* a = into.addAction(platform::encodingName(format));
        if (current) {
            a->setCheckable(true);
            a->setChecked(format.encoding == current->encoding && format.charset == current->charset);
            group->addAction(a);
        }
        QObject::connect(a, &QAction::triggered, &menu, [pick, format] { pick(format); });
    }
}

QString breakName(TextFormat::LineBreak lineBreak)
{
    switch (lineBreak) {
    case TextFormat::LineBreak::LF: return QStringLiteral("LF (Linux, macOS)");
    case TextFormat::LineBreak::CRLF: return QStringLiteral("CR LF (Windows)");
    case TextFormat::LineBreak::CR: return QStringLiteral("CR (classic Mac OS)");
    }
    return QString();
}

} // namespace

void frmMain::fillEncodingMenu()
{
    QMenu* encoding = menu(QStringLiteral("mnuFileEncoding"));
    if (!encoding)
        return;
    encoding->clear();
    // The rows of the last showing go, with their submenus and groups.
    const QObjectList old = encoding->children();
    for (QObject* child : old) {
        if (qobject_cast<QMenu*>(child) || qobject_cast<QActionGroup*>(child))
            delete child;
    }
    frmDocument* doc = ActiveForm();
    // Rich text is written in RTF's own terms: there is nothing to choose.
    if (!doc || SaveFileType(doc->Caption()) != platform::RichTextBox::PlainText) {
        encoding->addAction(QStringLiteral("(Rich text has no encoding to choose)"))->setEnabled(false);
        return;
    }
    const TextFormat current = doc->rtfText->plainTextFormat();
    addEncodingRows(*encoding, &current, [this](const TextFormat& picked) { chooseTextFormat(picked, false); });
    encoding->addSeparator();
    auto* breaks = new QActionGroup(encoding);
    const bool mixed = doc->rtfText->mixesLineBreaks();
    for (const auto lineBreak : {TextFormat::LineBreak::LF, TextFormat::LineBreak::CRLF, TextFormat::LineBreak::CR}) {
        QAction* a = encoding->addAction(breakName(lineBreak));
        a->setCheckable(true);
        a->setChecked(!mixed && lineBreak == current.lineBreak);
        breaks->addAction(a);
        connect(a, &QAction::triggered, this, [this, current, lineBreak] {
            TextFormat format = current;
            format.lineBreak = lineBreak;
            chooseTextFormat(format, true);
        });
    }
    if (mixed)
        encoding->addAction(QStringLiteral("(Line breaks of several kinds)"))->setEnabled(false);
    encoding->addSeparator();
    QMenu* reopen = encoding->addMenu(QStringLiteral("&Reopen with Encoding"));
    reopen->setObjectName(QStringLiteral("mnuFileReopenEncoding"));
    reopen->menuAction()->setEnabled(!doc->isUntitled());
    addEncodingRows(*reopen, nullptr, [this](const TextFormat& format) { reopenWithEncoding(format); });
}

void frmMain::chooseTextFormat(const TextFormat& format, bool lineBreaks)
{
    if (refuseWhileReading())
        return;
    trap(QStringLiteral("mnuFileEncoding_Click"), [&] {
        frmDocument& doc = requireActiveForm();
        if (lineBreaks)
            doc.rtfText->chooseLineBreak(format.lineBreak);
        else
            doc.rtfText->chooseEncoding(format);
        const TextFormat now = doc.rtfText->plainTextFormat();
        setStatusText(QStringLiteral("Saving writes %1 in %2%3.")
                          .arg(doc.Caption(), platform::encodingName(now),
                               doc.rtfText->mixesLineBreaks() ? QString()
                                                              : QStringLiteral(" with %1 line breaks").arg(breakName(now.lineBreak))));
    });
}

void frmMain::reopenWithEncoding(const TextFormat& format)
{
    trap(QStringLiteral("mnuFileReopenEncoding_Click"), [&] {
        frmDocument& doc = requireActiveForm();
        const QString path = doc.Caption();
        const QString name = platform::encodingName(format);
        if (doc.bIsDirty
            && services_.messages->show(this,
                                        QStringLiteral("%1 has changes that are not saved.  Read it again "
                                                       "as %2 and lose them?")
                                            .arg(path, name),
                                        platform::Buttons::YesNo, platform::Icon::Question, modMain::AppTitle)
                   != platform::Answer::Yes)
            return;
        try {
            doc.loadFile(path, &format);
        } catch (const platform::AppError& error) {
            if (error.number == platform::err::Cancel) {
                setStatusText(error.description);
                return;
            }
            if (error.number != platform::err::InvalidFileFormat)
                throw;
            services_.messages->show(this, error.description + QStringLiteral("  The document was left as it was."),
                                     platform::Buttons::Ok, platform::Icon::Exclamation, modMain::AppTitle);
            return;
        }
        setStatusText(QStringLiteral("Read as %1: %2").arg(name, path));
    });
}
