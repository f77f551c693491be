#include "MainFixture.h"

#include "app/SettingsKeys.h"
#include "app/modMain.h"
#include "document/frmDocument.h"
#include "mainwindow/frmMain.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QTest>

ServicesFixture::ServicesFixture(const QList<QPair<QString, QString>>& seedValues)
{
    auto m = std::make_unique<FakeMessageBox>();
    auto d = std::make_unique<FakeDialogs>();
    auto p = std::make_unique<FakeProcess>();
    auto modalFake = std::make_unique<FakeModal>();
    modal = modalFake.get();
    services.modal = std::move(modalFake);
    auto shellFake = std::make_unique<FakeShell>();
    shell = shellFake.get();
    services.shell = std::move(shellFake);
    auto fontsFake = std::make_unique<FakeFonts>();
    fonts = fontsFake.get();
    services.fonts = std::move(fontsFake);
    messages = m.get();
    dialogs = d.get();
    process = p.get();
    services.messages = std::move(m);
    services.dialogs = std::move(d);
    services.process = std::move(p);
    auto c = std::make_unique<FakeClock>();
    clock = c.get();
    services.clock = std::move(c);
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

QString ServicesFixture::setting(const QString& key, const QString& defaultValue) const
{
    return modMain::GetSetting(*services.settings, key, defaultValue);
}

void ServicesFixture::seed(const QString& key, const QString& value)
{
    modMain::SaveSetting(*services.settings, key, value);
}

frmDocument* MainFixture::active() const
{
    return main ? main->ActiveForm() : nullptr;
}

platform::RichTextBox* MainFixture::editor() const
{
    frmDocument* doc = active();
    return doc ? doc->rtfText : nullptr;
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
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
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
