#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

/// File names are bytes on this system and need not be valid UTF-8. A name decodes as UTF-8,
/// each byte that does not decode becoming the lone surrogate U+DC80..U+DCFF, and encodes back
/// to the very same bytes, so every file that exists can be opened and saved by its name.
QString decodeFileName(const QByteArray& name);
QByteArray encodeFileName(const QString& name);

enum class FileKind { Missing, Regular, Folder, Other };
/// What path names, following symbolic links.
FileKind fileKind(const QString& path);
/// The size of a regular file, or -1.
qint64 fileSize(const QString& path);
/// Whether two names lead to one file: the same file on disk, or the same absolute name when
/// either is missing.
bool sameFile(const QString& a, const QString& b);

/// Size and modification time of a regular file, to tell whether another program changed it:
/// "gone" when nothing is there, "not a file" when something else (a folder, a pipe) is.
QString fileStamp(const QString& path);

/// Reads a regular file whole; anything else (a folder, a pipe, a device) is refused before it
/// is opened, so nothing can block. progress(done, total) is called after each chunk; false
/// stops the read and raises err::Cancel. Throws AppError naming the file and the cause.
QByteArray readRegularFile(const QString& path,
                           const std::function<bool(qint64, qint64)>& progress = {});

/// Reads a regular file as readRegularFile does, handing it to sink piece by piece (at most
/// pieceBytes each) with the bytes read so far and the file's size; sink returns false to stop,
/// which raises err::Cancel.
void readRegularFileInPieces(const QString& path, qsizetype pieceBytes,
                             const std::function<bool(QByteArrayView, qint64, qint64)>& sink);
/// The same for the bytes from offset from up to offset to (the end at most); sink is told the
/// bytes of that stretch read so far and its length.
void readRegularFileStretch(const QString& path, qint64 from, qint64 to, qsizetype pieceBytes,
                            const std::function<bool(QByteArrayView, qint64, qint64)>& sink);

/// Writes bytes to path and keeps what the file was: its mode, and its owner and group where
/// the program may set them. Normally a temporary file beside the target is written, flushed
/// and renamed over it, so a failed or cancelled write leaves the old file whole. A file with
/// more than one name (a hard link), or one whose folder the user may not write, is written in
/// place so that every name sees the new text; its old bytes are kept aside first when memory
/// allows, and put back when the write fails or is cancelled. progress(permille) as for
/// loading: false stops the write and raises err::Cancel (ignored where the old bytes could not
/// be kept aside, since stopping would leave half a file). Throws AppError naming the file and
/// the cause; a full disk says so in those words. Runs on any thread.
void writeWholeFile(const QString& path, const QByteArray& bytes,
                    const std::function<bool(int)>& progress = {});

/// What hands the bytes of a file to write piece by piece: it calls write for each piece in
/// order and stops when write returns false.
using ByteProducer = std::function<void(const std::function<bool(QByteArrayView)>& write)>;
/// writeWholeFile for bytes made while they are written, so that they are never held whole;
/// size is what they are expected to come to, for the progress.
void writeWholeFile(const QString& path, const ByteProducer& produce, qint64 size,
                    const std::function<bool(int)>& progress = {});

/// Whether the user may save over an existing file: Allowed (or no file there), OwnReadOnly (the
/// user's own file, marked read-only: asked about first), Refused (another's file the user may not
/// write). A save refuses anything but Allowed with "Permission denied", whichever way it writes.
enum class WriteAccess { Allowed, OwnReadOnly, Refused };
WriteAccess writeAccess(const QString& path);

/// While it lives, the user's own read-only file may be saved over: the owner's write right is
/// given for the save and the file's mode put back afterwards, on the new file when one took its
/// place.
class ReadOnlyOverride {
public:
    explicit ReadOnlyOverride(const QString& path);
    ~ReadOnlyOverride();
    ReadOnlyOverride(const ReadOnlyOverride&) = delete;
    ReadOnlyOverride& operator=(const ReadOnlyOverride&) = delete;

private:
    QByteArray native_;
    unsigned mode_ = 0;
    bool given_ = false;
};

/// The message a full disk gives for a save of path.
QString diskFullText(const QString& path);

} // namespace platform
