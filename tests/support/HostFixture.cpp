#include "HostFixture.h"

#include "app/modMain.h"
#include "document/frmDocument.h"
#include "files/Recovery.h"
#include "find/frmFind.h"
#include "platform/RichTextBox.h"

#include <QTest>

HostFixture::HostFixture(const QList<QPair<QString, QString>>& seed, bool startNow)
    : ServicesFixture(seed)
{
    modMain::GetSmartTabsVal(*ServicesFixture::services.settings); // as start-up reads it
    window.resize(800, 600);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        qWarning("the fixture's window did not become active");
    if (startNow)
        start();
}

HostFixture::~HostFixture() { endAbruptly(); }

void HostFixture::endAbruptly()
{
    recovery_.reset(); // first, as in the frame: it looks at the documents once more
    for (frmDocument* doc : documents())
        delete doc;
}

void HostFixture::start()
{
    recovery_ = std::make_unique<Recovery>(*this, ServicesFixture::services.dataFolder);
    LoadNewDoc();
    recovery_->offerPrevious();
}

QList<frmDocument*> HostFixture::documents() const
{
    QList<frmDocument*> result;
    for (const QPointer<frmDocument>& doc : docs_)
        if (doc && doc->isVisible())
            result << doc;
    return result;
}

platform::Services& HostFixture::services() const
{
    return const_cast<platform::Services&>(ServicesFixture::services);
}

frmDocument* HostFixture::ActiveForm() const
{
    const QList<frmDocument*> open = documents();
    return open.isEmpty() ? nullptr : open.last();
}

platform::RichTextBox* HostFixture::editor() const
{
    return active() ? active()->rtfText : nullptr;
}

void HostFixture::activate(frmDocument& doc)
{
    const qsizetype at = docs_.indexOf(&doc);
    if (at >= 0)
        docs_.move(at, docs_.size() - 1);
    doc.raise();
    doc.rtfText->SetFocus();
}

frmDocument* HostFixture::LoadNewDoc()
{
    auto* doc = new frmDocument(*this, &window);
    doc->setCaption(QStringLiteral("Untitled %1").arg(++untitled_));
    doc->setGeometry(window.rect());
    if (recovery_)
        recovery_->watch(*doc);
    QObject::connect(doc, &frmDocument::searchKeyPressed, doc, [doc] { doc->armRepeatSearch(true); });
    QObject::connect(doc, &frmDocument::repeatSearchRequested, doc, [this] { modFind::RepeatSearch(*this); });
    docs_ << doc;
    doc->show();
    activate(*doc);
    return doc;
}
