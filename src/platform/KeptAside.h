#pragma once

#include <QList>
#include <QString>

namespace platform {

/// Where a save that writes a file in place (a file with several names, or one in a folder the
/// user may not write to) keeps the file's old bytes until the new ones are whole. The copy is a
/// file, not memory, so it outlives a program killed half way and has no limit of size. Set once
/// by the program (below its data folder); without it, a folder in the temporary folder.
void setKeptAsideFolder(const QString& folder);

/// A file's old bytes copied aside, with a note of the file's name beside the copy.
class KeptAside {
public:
    /// Copies the size bytes of the file open as fd; throws AppError, keeping nothing and
    /// saying that path was left as it was, when they cannot all be kept.
    KeptAside(const QString& path, int fd, qint64 size);
    /// Removes the copy, unless a failed putBack still needs it.
    ~KeptAside();
    KeptAside(const KeptAside&) = delete;
    KeptAside& operator=(const KeptAside&) = delete;

    /// Writes the old bytes back over fd, cut to their size; false (the copy then stays) when
    /// that failed too.
    bool putBack(int fd);
    /// Where the old bytes are.
    QString copyPath() const { return copy_; }

private:
    QString copy_;
    qint64 size_ = 0;
    bool keep_ = false;
};

/// Copies of old bytes left by saves whose program ended half way: the file and the copy. Each is
/// given once; the copy stays until the user removes it.
struct LeftAside {
    QString file;
    QString copy;
};
QList<LeftAside> takeLeftAside();

} // namespace platform
