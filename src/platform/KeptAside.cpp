#include "platform/KeptAside.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace platform {

namespace {

QString g_folder; // set once at start, before any save

const QString kNoteSuffix = QStringLiteral(".file");

QString folder()
{
    return g_folder.isEmpty() ? QDir::tempPath() + QStringLiteral("/quiple-kept-aside-%1").arg(::geteuid())
                              : g_folder;
}

// Copies size bytes from one descriptor to another, both from offset 0; the errno, or 0.
int copyBytes(int from, int to, qint64 size)
{
    QByteArray buffer(8 * 1024 * 1024, Qt::Uninitialized);
    for (qint64 done = 0; done < size;) {
        const ssize_t got = ::pread(from, buffer.data(), size_t(std::min<qint64>(buffer.size(), size - done)), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO; // the file ended before its size
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = ::pwrite(to, buffer.constData() + put, size_t(got - put), done + put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? errno : ENOSPC;
            put += n;
        }
        done += got;
    }
    return 0;
}

} // namespace

void setKeptAsideFolder(const QString& folder)
{
    g_folder = folder;
}

KeptAside::KeptAside(const QString& path, int fd, qint64 size) : size_(size)
{
    const QString where = folder();
    QDir().mkpath(where);
    // Named after the file and this process, so that a copy left behind tells whose it was.
    QByteArray name = encodeFileName(where + u'/' + path.section(u'/', -1).left(120))
                      + '.' + QByteArray::number(::getpid()) + "-XXXXXX";
    const auto refuse = [&](int error) {
        if (error == ENOSPC || error == EDQUOT)
            raise(err::DiskFull, QStringLiteral("%1 was left as it was: there is not enough space on "
                                                "the disk to keep its old text aside while it is "
                                                "written.").arg(path));
        raise(err::PathFileAccess, QStringLiteral("%1 was left as it was: its old text could not be "
                                                  "kept aside in %2 while it is written (%3).")
                                       .arg(path, where, qt_error_string(error)));
    };
    const int copy = ::mkostemp(name.data(), O_CLOEXEC);
    if (copy < 0)
        refuse(errno);
    copy_ = decodeFileName(name);
    auto removeAll = qScopeGuard([&] {
        ::close(copy);
        QFile::remove(copy_);
        QFile::remove(copy_ + kNoteSuffix);
    });
    QFile note(copy_ + kNoteSuffix);
    const QByteArray named = encodeFileName(path);
    if (!note.open(QIODevice::WriteOnly) || note.write(named) != named.size() || !note.flush())
        refuse(ENOSPC == errno ? ENOSPC : EIO);
    note.close();
    int error = copyBytes(fd, copy, size);
    if (error == 0 && ::fsync(copy) != 0 && errno != EINVAL)
        error = errno;
    if (error != 0)
        refuse(error);
    removeAll.dismiss();
    ::close(copy);
}

KeptAside::~KeptAside()
{
    if (keep_)
        return;
    QFile::remove(copy_);
    QFile::remove(copy_ + kNoteSuffix);
}

bool KeptAside::putBack(int fd)
{
    if (fd < 0) {
        keep_ = true;
        return false;
    }
    const int copy = ::open(encodeFileName(copy_).constData(), O_RDONLY | O_CLOEXEC);
    bool whole = copy >= 0 && copyBytes(copy, fd, size_) == 0;
    if (copy >= 0)
        ::close(copy);
    while (whole && ::ftruncate(fd, size_) != 0) {
        if (errno != EINTR)
            whole = false;
    }
    whole = whole && (::fsync(fd) == 0 || errno == EINVAL);
    keep_ = !whole;
    return whole;
}

QList<LeftAside> takeLeftAside()
{
    QList<LeftAside> left;
    const QDir dir(folder());
    for (const QString& note : dir.entryList({u'*' + kNoteSuffix}, QDir::Files | QDir::Hidden, QDir::Name)) {
        const QString copy = dir.filePath(note.chopped(kNoteSuffix.size()));
        // The process id before the random part: a copy of a save still running is no leftover.
        const QString tail = copy.section(u'.', -1);
        bool ok = false;
        const long pid = tail.section(u'-', 0, 0).toLong(&ok);
        if (!ok || pid == QCoreApplication::applicationPid() || (::kill(pid_t(pid), 0) == 0 || errno != ESRCH))
            continue;
        QFile file(dir.filePath(note));
        if (!QFile::exists(copy) || !file.open(QIODevice::ReadOnly))
            continue;
        left.append({decodeFileName(file.readAll()), copy});
        file.remove();
    }
    return left;
}

} // namespace platform
