#include "platform/FileSystem.h"

#include "platform/AppError.h"
#include "platform/KeptAside.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qsizetype kChunk = 8 * 1024 * 1024;

bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at p (n bytes left), or 0.
int validSequence(const unsigned char* p, qsizetype n, char32_t& code)
{
    const unsigned char b = p[0];
    int len = 0;
    char32_t least = 0;
    if ((b & 0xE0) == 0xC0) {
        len = 2, code = b & 0x1F, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, code = b & 0x0F, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, code = b & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if (!isContinuation(p[i]))
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

void appendUtf8(QByteArray& out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

QString errnoText(int error)
{
    return qt_error_string(error);
}

[[noreturn]] void raiseErrno(const QString& path, int error, bool writing)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        raise(err::DiskFull, diskFullText(path));
    case ENOENT:
    case ENOTDIR:
        if (writing)
            raise(err::PathNotFound,
                  QStringLiteral("Path not found: %1").arg(QFileInfo(path).absolutePath()));
        raise(err::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    case EACCES:
    case EPERM:
        raise(err::PermissionDenied, QStringLiteral("Permission denied: %1").arg(path));
    case EROFS:
        raise(err::PermissionDenied,
              QStringLiteral("%1 is on a disk that cannot be written to.").arg(path));
    case EISDIR:
        raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    case ENOMEM:
        raise(err::OutOfMemory, QStringLiteral("Not enough memory for %1.").arg(path));
    default:
        raise(err::PathFileAccess,
              QStringLiteral("Path/File access error: %1 (%2)").arg(path, errnoText(error)));
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    /// close() reports what a delayed write met (a full disk on some file systems).
    int close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd);
    }

private:
    int fd_;
};

// Writes all of data at offset; the errno of the failure, or 0.
int writeAt(int fd, const char* data, qint64 size, qint64 offset,
            const std::function<bool(qint64)>& keepGoing)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = ::pwrite(fd, data + done, std::min<qint64>(kChunk, size - done),
                                  offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        done += n;
        if (keepGoing && !keepGoing(done))
            return ECANCELED;
    }
    return 0;
}

// Writes what produce makes from offset 0 on; the errno of the failure, or 0. *written is how
// much was written.
int writeProduced(int fd, const ByteProducer& produce, qint64* written,
                  const std::function<bool(qint64)>& keepGoing)
{
    int error = 0;
    *written = 0;
    produce([&](QByteArrayView piece) {
        error = writeAt(fd, piece.data(), piece.size(), *written,
                        [&](qint64 done) { return !keepGoing || keepGoing(*written + done); });
        if (error != 0)
            return false;
        *written += piece.size();
        return true;
    });
    return error;
}

mode_t currentUmask()
{
    // Reading the mask through umask() would change it for every thread for a moment.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:"))
                return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 022;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file a name leads to: a symbolic link is written through, never replaced.
QByteArray resolvedTarget(const QByteArray& path)
{
    struct stat link {};
    if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    if (char* real = ::realpath(path.constData(), nullptr)) {
        QByteArray out(real);
        std::free(real);
        return out;
    }
    return path;
}

// The extended attributes of the file at from, its access list (system.posix_acl_access) among
// them, given to the file open as to. Each is copied on its own: one the program may not set
// (a security label) does not keep the others from the new file.
void copyAttributes(const QByteArray& from, int to)
{
    ssize_t size = ::listxattr(from.constData(), nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, Qt::Uninitialized);
    size = ::listxattr(from.constData(), names.data(), size_t(names.size()));
    if (size <= 0)
        return;
    names.truncate(size);
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t length = ::getxattr(from.constData(), name.constData(), nullptr, 0);
        if (length < 0)
            continue;
        QByteArray value(length, Qt::Uninitialized);
        const ssize_t got = ::getxattr(from.constData(), name.constData(), value.data(), size_t(length));
        if (got >= 0)
            ::fsetxattr(to, name.constData(), value.constData(), size_t(got), 0);
    }
}

// The start of the names of the temporaries a save of target writes beside it: hidden, named
// after the file, then "save-<process id>-<random>". A name of the folder's maximum length
// gives up its end to make room.
QByteArray temporaryPrefix(const QByteArray& target)
{
    constexpr qsizetype kRoom = 1 + 6 + 10 + 7; // ".", "save-", the process id, "-XXXXXX"
    const QByteArray name = target.mid(target.lastIndexOf('/') + 1);
    return '.' + name.left(std::max<qsizetype>(1, NAME_MAX - kRoom - 1)) + ".save-";
}

// Removes what a save of the same file left behind when its program was killed half way: our
// temporaries whose process is gone (or is this one, which saves a file once at a time). Those
// of a copy still running are its save in progress and stay.
void clearStaleTemporaries(const QByteArray& folder, const QByteArray& prefix)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix))
            continue;
        const QList<QByteArray> rest = name.mid(prefix.size()).split('-');
        bool ok = false;
        const long pid = rest.value(0).toLong(&ok);
        if (rest.size() != 2 || rest[1].size() != 6 || !ok || pid <= 0)
            continue;
        if (pid == ::getpid() || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
            ::unlink((folder + '/' + name).constData());
    }
}

void raiseCancelled()
{
    raise(err::Cancel, QStringLiteral("Saving was cancelled."));
}

// Writes over the existing file itself: for hard links, and where no file can be made beside it.
// The old bytes are copied aside into a file first, whatever their size, so that a failure puts
// them back and a kill leaves them where the next start tells the user; when they cannot be
// kept, nothing is written.
void writeInPlace(const QString& path, const QByteArray& target, const ByteProducer& produce,
                  qint64 total, const struct stat& old, const std::function<bool(int)>& progress)
{
    Descriptor fd(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        raiseErrno(path, errno, true);
    KeptAside kept(path, fd.get(), old.st_size);
    qint64 written = 0;
    int error = writeProduced(fd.get(), produce, &written, [&](qint64 done) {
        return !progress || progress(300 + int(700.0 * double(done) / double(std::max<qint64>(total, 1))));
    });
    if (error == 0 && ::ftruncate(fd.get(), written) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd.get()) != 0 && errno != EINVAL)
        error = errno;
    if (error == 0 && fd.close() != 0)
        error = errno;
    if (error == 0)
        return;
    // A close that failed gave the descriptor up: the file is opened again to be put back.
    Descriptor again(fd.get() >= 0 ? -1 : ::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!kept.putBack(fd.get() >= 0 ? fd.get() : again.get())) {
        raise(err::PathFileAccess,
              QStringLiteral("%1 could not be written, nor its old text put back: it is kept in %2.")
                  .arg(path, kept.copyPath()));
    }
    if (error == ECANCELED)
        raiseCancelled();
    raiseErrno(path, error, true);
}

} // namespace

QString decodeFileName(const QByteArray& name)
{
    QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString fast = strict.decode(name);
    if (!strict.hasError())
        return fast;
    QString out;
    out.reserve(name.size());
    const auto* p = reinterpret_cast<const unsigned char*>(name.constData());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            out += QChar(p[i++]);
            continue;
        }
        char32_t code = 0;
        const int len = validSequence(p + i, n - i, code);
        if (len == 0) {
            out += QChar(char16_t(0xDC00 + p[i++]));
        } else {
            out += QString::fromUcs4(&code, 1);
            i += len;
        }
    }
    return out;
}

QByteArray encodeFileName(const QString& name)
{
    QByteArray out;
    out.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && name.at(i + 1).isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(u, name.at(i + 1).unicode()));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += char(u - 0xDC00);
        } else if (QChar::isSurrogate(u)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

FileKind fileKind(const QString& path)
{
    struct stat st {};
    if (::stat(encodeFileName(path).constData(), &st) != 0)
        return FileKind::Missing;
    if (S_ISREG(st.st_mode))
        return FileKind::Regular;
    return S_ISDIR(st.st_mode) ? FileKind::Folder : FileKind::Other;
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (::stat(encodeFileName(a).constData(), &sa) == 0 && ::stat(encodeFileName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

qint64 fileSize(const QString& path)
{
    struct stat st {};
    if (::stat(encodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

QString fileStamp(const QString& path)
{
    struct stat st {};
    if (::stat(encodeFileName(path).constData(), &st) != 0)
        return QStringLiteral("gone");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("not a file");
    const qint64 ms = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return QStringLiteral("%1 %2").arg(qint64(st.st_size)).arg(ms);
}

WriteAccess writeAccess(const QString& path)
{
    const QByteArray native = encodeFileName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return WriteAccess::Allowed; // nothing to write over; the save itself says what it meets
    if (st.st_uid == ::geteuid() && !(st.st_mode & S_IWUSR))
        return WriteAccess::OwnReadOnly;
    // The effective ids, as the open or rename of the save would use them.
    if (::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0 && errno != EROFS)
        return WriteAccess::Refused;
    return WriteAccess::Allowed;
}

ReadOnlyOverride::ReadOnlyOverride(const QString& path) : native_(encodeFileName(path))
{
    struct stat st {};
    if (::stat(native_.constData(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
        mode_ = st.st_mode & 07777;
        given_ = ::chmod(native_.constData(), mode_ | S_IWUSR) == 0;
    }
}

ReadOnlyOverride::~ReadOnlyOverride()
{
    if (given_)
        ::chmod(native_.constData(), mode_);
}

QString diskFullText(const QString& path)
{
    return QStringLiteral("There is not enough space on the disk to save %1.").arg(path);
}

namespace {

// Opens a regular file for reading, refusing anything else; its size in *size.
int openRegularFile(const QString& path, qint64* size)
{
    const QByteArray native = encodeFileName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        raiseErrno(path, errno, false);
    if (S_ISDIR(st.st_mode))
        raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    if (!S_ISREG(st.st_mode))
        raise(err::PathFileAccess, QStringLiteral("%1 is not a regular file.").arg(path));
    // Not blocking, in case something else took the name's place since.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        raiseErrno(path, errno, false);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        ::close(fd);
        if (!S_ISREG(st.st_mode))
            raise(err::PathFileAccess, QStringLiteral("%1 is not a regular file.").arg(path));
        raiseErrno(path, error, false);
    }
    *size = st.st_size;
    return fd;
}

} // namespace

QByteArray readRegularFile(const QString& path, const std::function<bool(qint64, qint64)>& progress)
{
    QByteArray bytes;
    readRegularFileInPieces(path, kChunk, [&](QByteArrayView piece, qint64 done, qint64 size) {
        if (bytes.isEmpty())
            bytes.reserve(qsizetype(size)); // grows on if the file grows while it is read
        bytes.append(piece);
        return !progress || progress(done, size);
    });
    return bytes;
}

// Reads want bytes from offset at, or as many as the file still has; raises on a failed read.
static qsizetype fillPiece(int fd, const QString& path, char* data, qsizetype want, qint64 at)
{
    qsizetype filled = 0;
    while (filled < want) {
        const ssize_t n = ::pread(fd, data + filled, size_t(want - filled), at + filled);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            raiseErrno(path, errno, false);
        }
        if (n == 0)
            break;
        filled += n;
    }
    return filled;
}

void readRegularFileInPieces(const QString& path, qsizetype pieceBytes,
                             const std::function<bool(QByteArrayView, qint64, qint64)>& sink)
{
    qint64 size = 0;
    Descriptor fd(openRegularFile(path, &size));
    QByteArray buffer(std::max<qsizetype>(pieceBytes, 4), Qt::Uninitialized); // room for a byte-order mark
    qint64 done = 0;
    for (;;) {
        // A whole piece where the file has one, so that pieces are alike whatever the reads give.
        const qsizetype filled = fillPiece(fd.get(), path, buffer.data(), buffer.size(), done);
        if (filled == 0)
            break;
        done += filled;
        if (!sink(QByteArrayView(buffer.constData(), filled), done, std::max(size, done)))
            raise(err::Cancel, QStringLiteral("Loading was cancelled."));
        if (filled < buffer.size())
            break;
    }
}

void readRegularFileStretch(const QString& path, qint64 from, qint64 to, qsizetype pieceBytes,
                            const std::function<bool(QByteArrayView, qint64, qint64)>& sink)
{
    qint64 size = 0;
    Descriptor fd(openRegularFile(path, &size));
    to = std::min(to, size);
    QByteArray buffer(std::max<qsizetype>(pieceBytes, 4), Qt::Uninitialized);
    for (qint64 at = from; at < to;) {
        const qsizetype want = qsizetype(std::min<qint64>(buffer.size(), to - at));
        const qsizetype filled = fillPiece(fd.get(), path, buffer.data(), want, at);
        if (filled == 0)
            break; // the file became shorter while it was read
        at += filled;
        if (!sink(QByteArrayView(buffer.constData(), filled), at - from, std::max<qint64>(to - from, 1)))
            raise(err::Cancel, QStringLiteral("Loading was cancelled."));
    }
}

void writeWholeFile(const QString& path, const QByteArray& bytes,
                    const std::function<bool(int)>& progress)
{
    writeWholeFile(path, [&](const std::function<bool(QByteArrayView)>& write) { write(bytes); },
                   bytes.size(), progress);
}

void writeWholeFile(const QString& path, const ByteProducer& produce, qint64 total,
                    const std::function<bool(int)>& progress)
{
    const QByteArray target = resolvedTarget(encodeFileName(path));
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        raiseErrno(path, errno, true);
    if (exists && S_ISDIR(old.st_mode))
        raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    if (exists && !S_ISREG(old.st_mode))
        raise(err::PathFileAccess, QStringLiteral("%1 is not a regular file.").arg(path));
    // Renaming a new file over the old needs only the folder's right: the file's own is asked
    // here, as writing it in place would.
    if (exists && writeAccess(path) != WriteAccess::Allowed)
        raiseErrno(path, EACCES, true);
    if (exists && old.st_nlink > 1)
        return writeInPlace(path, target, produce, total, old, progress);

    const QByteArray folder = folderOf(target);
    const QByteArray prefix = temporaryPrefix(target);
    clearStaleTemporaries(folder, prefix);
    QByteArray temporary = folder + '/' + prefix + QByteArray::number(::getpid()) + "-XXXXXX";
    const int made = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (made < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM))
            return writeInPlace(path, target, produce, total, old, progress);
        // The file is there, so its folder is too: a folder that takes no new file (/proc) is
        // no missing path.
        if (exists && (error == ENOENT || error == ENOTDIR))
            raise(err::PathFileAccess, QStringLiteral("%1 cannot be written.").arg(path));
        raiseErrno(path, error, true);
    }
    Descriptor fd(made);
    bool keepTemporary = false;
    const auto removeTemporary = qScopeGuard([&] {
        if (!keepTemporary)
            ::unlink(temporary.constData());
    });
    qint64 written = 0;
    int error = writeProduced(fd.get(), produce, &written, [&](qint64 done) {
        return !progress || progress(300 + int(700.0 * double(done) / double(std::max<qint64>(total, 1))));
    });
    if (error == ECANCELED)
        raiseCancelled();
    if (error != 0)
        raiseErrno(path, error, true);
    if (exists) {
        // Owner first: a change of owner clears the set-user-ID and set-group-ID bits and the
        // file capabilities, which the attributes and the mode then put back. Only root may
        // give a file away; a user may still keep its group.
        if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0)
            ::fchown(fd.get(), uid_t(-1), old.st_gid);
        copyAttributes(target, fd.get());
        ::fchmod(fd.get(), old.st_mode & 07777);
    } else {
        ::fchmod(fd.get(), 0666 & ~currentUmask());
    }
    if (::fsync(fd.get()) != 0 && errno != EINVAL)
        raiseErrno(path, errno, true);
    if (fd.close() != 0)
        raiseErrno(path, errno, true);
    if (progress && !progress(1000))
        raiseCancelled();
    if (::rename(temporary.constData(), target.constData()) != 0)
        raiseErrno(path, errno, true);
    keepTemporary = true; // it is the file now
}

} // namespace platform
