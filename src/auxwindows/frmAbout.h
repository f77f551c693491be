#pragma once

#include <QCursor>
#include <QDialog>

class QLabel;

namespace platform {
struct Services;
}

/// The About box: the program's name and version, its homepage and mail address as links.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(platform::Services& services, QWidget* owner);

    static const QString Homepage;
    static const QString Email;

    /// The homepage address with the program's name, version and where the request came from,
    /// without a single blank.
    /// The pointer shown over the two addresses.
    static QCursor LinkPointer();

    static QString HomepageRequest(const QString& homepage, const QString& title, int major,
                                   int minor, int revision);

    QLabel* imgIcon = nullptr;
    QLabel* lblHomepageHeader = nullptr;
    QLabel* lblHomepage = nullptr;
    QLabel* lblEmailHeader = nullptr;
    QLabel* lblEmail = nullptr;
    QLabel* lblNotice = nullptr;

    void lblHomepage_Click();
    void lblEmail_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::Services& services_;
};
