#include "MainFixture.h"

#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/DocumentFiles.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

namespace {
template <class Fake, class Service>
Fake* install(std::unique_ptr<Service>& slot)
{
    auto fake = std::make_unique<Fake>();
    Fake* raw = fake.get();
    slot = std::move(fake);
    return raw;
}
} // namespace

ServicesFixture::ServicesFixture(const QList<QPair<QString, QString>>& seedValues)
    : messages(install<FakeMessageBox>(services.messages)), dialogs(install<FakeDialogs>(services.dialogs)),
      process(install<FakeProcess>(services.process)), modal(install<FakeModal>(services.modal)),
      shell(install<FakeShell>(services.shell)), fonts(install<FakeFonts>(services.fonts)),
      clock(install<FakeClock>(services.clock))
{
    services.settings = std::make_unique<platform::SettingsStore>(dir.path());
    services.dataFolder = dir.filePath(QStringLiteral("data"));
    bool splash = false, themes = false;
    for (const auto& [key, value] : seedValues) {
        if (!value.isNull()) // a null value leaves the key absent
            seed(key, value);
        splash = splash || key == keys::SplashScreen;
        themes = themes || key == keys::UseXPThemes;
    }
    if (!splash)
        seed(keys::SplashScreen, keys::No);
    if (!themes)
        seed(keys::UseXPThemes, keys::No);
}

MainFixture::MainFixture(const QList<QPair<QString, QString>>& seedValues,
                         const QStringList& arguments, bool startNow)
    : ServicesFixture(seedValues)
{
    if (startNow)
        start(arguments);
}

MainFixture::~MainFixture()
{
    if (main) {
        // Close without questions: the test is over.
        for (frmDocument* doc : main->documents())
            doc->bIsDirty = false;
    }
    main.reset();
    modMain::MainForm = nullptr;
}

void MainFixture::start(const QStringList& arguments)
{
    main.reset(modMain::Main(services, arguments));
    if (!main)
        return;
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    // Keys sent by the program go to the focused editor, as on a desktop.
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    if (platform::RichTextBox* box = editor())
        box->SetFocus();
}

frmDocument* MainFixture::active() const
{
    return main ? main->ActiveForm() : nullptr;
}

platform::RichTextBox* MainFixture::editor() const
{
    return active() ? active()->rtfText : nullptr;
}

void MainFixture::trigger(const QString& actionName)
{
    QAction* a = main->action(actionName);
    QVERIFY2(a, qPrintable(actionName));
    QVERIFY2(a->isEnabled(), qPrintable(actionName + QStringLiteral(" is disabled")));
    a->trigger();
}

void typeInto(platform::RichTextBox& editor, const QString& text)
{
    QWidget* target = editor.hwnd();
    for (const QChar ch : text) {
        if (ch == u'\n')
            QTest::keyClick(target, Qt::Key_Return);
        else if (ch == u'\t')
            QTest::keyClick(target, Qt::Key_Tab);
        else
            QTest::keyClicks(target, QString(ch));
    }
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

SmallDisk::SmallDisk(int kilobytes)
{
    mounted_ = QProcess::execute(QStringLiteral("mount"),
                                 {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kilobytes),
                                  "tmpfs", dir_.path()}) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        QProcess::execute(QStringLiteral("umount"), {dir_.path()});
}

ProgressCanceller::ProgressCanceller()
{
    qApp->installEventFilter(this);
    // The window shows before its thread runs any event, so the answer comes once the user saw it.
    platform::setFirstReportHook([this] {
        QMetaObject::invokeMethod(this, [this] { act(), ++answered; }, Qt::BlockingQueuedConnection);
    });
}

ProgressCanceller::~ProgressCanceller()
{
    platform::setFirstReportHook({});
}

bool ProgressCanceller::eventFilter(QObject* watched, QEvent* event)
{
    // Work on this thread lets events run between its steps: the user acts in the first of them.
    if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched))
        QMetaObject::invokeMethod(this, &ProgressCanceller::act, Qt::QueuedConnection);
    return false;
}

void ProgressCanceller::act()
{
    if (auto* d = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
        shown = true;
        if (labels.isEmpty() || labels.last() != d->labelText())
            labels << d->labelText();
        if (auto* cancel = d->findChild<QPushButton*>(); cancel && armed)
            cancel->click();
    }
}
