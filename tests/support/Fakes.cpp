#include "Fakes.h"

#include "platform/AppError.h"

#include <QLocale>
#include <QPrinter>
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
    platform::FileAnswer answer;
    if (fileAnswers.isEmpty()) {
        qWarning("unexpected file dialog: %s", qPrintable(request.title));
        return answer;
    }
    const QString name = fileAnswers.takeFirst();
    answer.accepted = !name.isEmpty();
    answer.fileName = name;
    answer.filterIndex = request.filterIndex;
    return answer;
}

std::optional<QColor> FakeDialogs::color(QWidget*, const QColor& initial)
{
    colorRequests << initial;
    if (colorAnswers.isEmpty())
        return std::nullopt;
    return colorAnswers.takeFirst();
}

bool FakeDialogs::print(QWidget*, QPrinter& printer, const QString& title, bool selection)
{
    printRequests.append({title, false, selection});
    const bool accepted = !printAnswers.isEmpty() && printAnswers.takeFirst();
    if (accepted) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printPdf);
    }
    return accepted;
}

bool FakeDialogs::pageSetup(QWidget*, QPrinter&, const QString& title)
{
    printRequests.append({title, true, false});
    return !printAnswers.isEmpty() && printAnswers.takeFirst();
}

void FakeProcess::endNow(int exitCode)
{
    throw platform::ProgramEnd{exitCode};
}

QDateTime FakeClock::now() const
{
    ++readings;
    const QDateTime t = current;
    current = current.addMSecs(stepMilliseconds);
    return t;
}

QString FakeClock::dateText(const QDate& date) const
{
    return QLocale::c().toString(date, dateFormat);
}

QString FakeClock::timeText(const QTime& time) const
{
    return QLocale::c().toString(time, timeFormat);
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
