#pragma once

#include "platform/FileSystem.h"
#include "platform/TextFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QLockFile;

/// The recovery folder on disk. Each run of the program owns a folder <pid>-<random> below
/// <data folder>/Quiple/recovery, and holds the lock file <folder>.lock beside it while it lives.
/// A document's copy is two files in that folder: its text (<id>-<generation>.txt, UTF-8 with a
/// byte-order mark, or .rtf) and, written after the text, its description <id>.json, which
/// names the text file. A crash at any moment leaves a description that names a whole text.
namespace recovery {

/// What a recovery copy tells about its document, besides the text itself.
struct CopyInfo {
    QString caption;             ///< the document window's caption when the copy was taken
    QString path;                ///< absolute path of the document's file; empty when untitled
    bool rich = false;           ///< the text is RTF; otherwise plain text
    platform::TextFormat format; ///< how the document's plain text is written when saved
    QString diskStamp;           ///< size and time of the file as the program last read or wrote it
    qint64 order = 0;            ///< documents come back in the order they were made
    QString dataFile;            ///< the text's file name, in the same folder
    /// How the text file holds a plain document. Lines: UTF-8 with '\n' for every break (the
    /// copies of earlier versions). Raw: as the document's file holds it, every line break in
    /// its own style, in UTF-8 or, when the text has a lone surrogate, which UTF-8 cannot hold,
    /// in UTF-16 LE; each with its byte-order mark.
    enum class PlainCopy { Lines, RawUtf8, RawUtf16 };
    PlainCopy plainCopy = PlainCopy::Lines;
};

QByteArray toJson(const CopyInfo& info);
/// The description read back, or nothing with the reason in error. Only a bare file name is
/// taken as the text's name, so a description can never point outside its folder.
std::optional<CopyInfo> fromJson(const QByteArray& json, QString* error);

/// The bytes of a copy's text file: plain text as UTF-8 with a byte-order mark, so that reading
/// it back can never mistake it for RTF or another encoding.
QByteArray plainData(const QString& text);

/// Writes one copy of document id: the text, then its description, then removes the older texts
/// of the same document. Returns an empty string, or the reason it failed.
QString writeCopy(const QString& folder, qint64 id, int generation, CopyInfo info,
                  const QByteArray& data);
/// The same for a text made while it is written, so that it is never held whole.
QString writeCopy(const QString& folder, qint64 id, int generation, CopyInfo info,
                  const platform::ByteProducer& produce, qint64 size);
/// Removes the copy of document id, description first.
void removeCopy(const QString& folder, qint64 id);
/// True when the folder holds at least one description.
bool holdsCopies(const QString& folder);

/// A copy found in the folder of an earlier run.
struct FoundCopy {
    QString descriptionFile;
    CopyInfo info;
    QString dataPath() const;
};

/// A copy that cannot be used: the file named and why.
struct BrokenCopy {
    QString file;
    QString caption; ///< empty when the description itself could not be read
    QString reason;
};

/// Reads every description of a folder; the usable ones in order, the others with the reason.
void readFolder(const QString& folder, std::vector<FoundCopy>& found,
                std::vector<BrokenCopy>& broken);

/// A run's folder and the lock that makes it that run's own.
struct RunFolder {
    QString path;
    std::unique_ptr<QLockFile> lock;
    RunFolder();
    RunFolder(RunFolder&&) noexcept;
    RunFolder& operator=(RunFolder&&) noexcept;
    ~RunFolder();
};

/// The folder of this run, locked, below root (created when missing). Nothing, with the reason
/// in error, when it cannot be made.
std::optional<RunFolder> createRunFolder(const QString& root, QString* error);

/// The folders below root whose runs ended without cleaning up (their lock is free or stale:
/// the program was killed, crashed or lost power), each locked now so that no other copy of the
/// program takes it too. Folders of runs that are alive, and own (this run's), are left alone.
std::vector<RunFolder> claimAbandoned(const QString& root, const QString& own);

/// Removes the folder of a run with everything in it; its lock is released afterwards.
void removeRunFolder(RunFolder& run);
/// Removes what the folder of a run holds but the copies described by keep (description file
/// names); with nothing to keep, the whole folder. The lock is released afterwards, so that the
/// next start offers what was kept.
void pruneRunFolder(RunFolder& run, const QStringList& keep);

} // namespace recovery
