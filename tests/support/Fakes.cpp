#include "Fakes.h"

#include <QtGlobal>

platform::Answer FakeMessageBox::show(QWidget*, const QString& prompt, platform::Buttons buttons,
                                      platform::Icon icon, const QString& title)
{
    shown.append({prompt, title, buttons, icon});
    if (answers.isEmpty()) {
        // A test never hangs on a box: an unexpected one answers what closing it would.
        if (buttons == platform::Buttons::Ok)
            return platform::Answer::Ok;
        qWarning("unexpected message box: %s (%s)", qPrintable(prompt), qPrintable(title));
        return buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Cancel;
    }
    return answers.takeFirst();
}

platform::FileAnswer FakeDialogs::file(QWidget*, const platform::FileRequest& request)
{
    fileRequests << request;
    if (fileAnswers.isEmpty())
        qWarning("unexpected file dialog: %s", qPrintable(request.title));
    const QString name = fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    return {!name.isEmpty(), name, filterAnswer >= 0 ? filterAnswer : request.filterIndex};
}

QDateTime FakeClock::now() const
{
    ++readings;
    const QDateTime t = current;
    current = current.addMSecs(stepMilliseconds);
    return t;
}

int FakeModal::exec(QDialog& window)
{
    shown << window.objectName();
    window.setResult(QDialog::Rejected);
    window.show();
    if (scripts.isEmpty()) {
        window.reject();
        return window.result();
    }
    const auto script = scripts.takeFirst();
    script(window);
    if (window.isVisible())
        window.reject();
    return window.result();
}
