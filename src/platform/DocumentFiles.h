#pragma once

#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "platform/rtf/ParagraphPieces.h"
#include "platform/text/TextStore.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QFont;
class QTextDocument;
class QWidget;

namespace platform {

/// A document read from a file, not yet shown: it has no layout and belongs to the thread that
/// asked for it.
struct LoadedDocument {
    std::unique_ptr<QTextDocument> document; ///< of a rich-text file
    std::unique_ptr<TextStore> store;        ///< of a plain-text file
    bool rich = false;          ///< the file holds RTF
    TextFormat format;          ///< of a plain-text file
    QString unkept;             ///< of a rich-text file: what it held that saving would lose
    bool vanished = false;      ///< the file was deleted while it was read
    PieceJoins joins;           ///< of a rich-text file's long paragraphs, found beside the window
};

/// Reads a file: RTF into a new document in the given default font when it holds RTF, otherwise
/// plain text in its own encoding into a text store. progress(permille) is called every
/// few milliseconds of work; when it returns false the load stops and raises err::Cancel. Throws
/// AppError when the file cannot be read. Runs on any thread. With as, the file is read as plain
/// text in that encoding, whatever it holds (see decodeFileAs). A rich document comes ready for
/// a view with tabStop (pixels; 0 leaves the document's own): see chooseWrapAhead.
LoadedDocument loadDocument(const QString& path, const QFont& font,
                            const std::function<bool(int)>& progress = {},
                            const TextFormat* as = nullptr, qreal tabStop = 0);

/// loadDocument for the user: a file of at least progressFromBytes() is read on a worker thread
/// while a progress window with Cancel runs over parent, which keeps painting; Cancel raises
/// err::Cancel once the worker has stopped, leaving nothing loaded.
LoadedDocument loadDocumentWithProgress(const QString& path, const QFont& font, QWidget* parent,
                                        const TextFormat* as = nullptr, qreal tabStop = 0);

/// Runs work on a worker thread while a modal progress window with Cancel, showing label, runs
/// over parent; the program's windows keep painting. work is handed a progress function as
/// loadDocument's. What work throws is thrown again here; after Cancel, once work has stopped,
/// err::Cancel is raised with cancelledText (work that had already ended stands). With showAfterMs the window shows only once the work
/// has run that long; until then the user's input waits.
void runWithProgress(QWidget* parent, const QString& label, const QString& cancelledText,
                     const std::function<void(const std::function<bool(int)>&)>& work,
                     int showAfterMs = 0);

/// Tests stand in for the user here: when set, hook is called on the worker of runWithProgress at
/// the work's first report of progress, before the work learns whether to go on, so that what a
/// test does in the progress window comes before the work ends, however fast the machine.
void setFirstReportHook(std::function<void()> hook);

/// Whether the file starts as RTF does (false when it cannot be read).
bool holdsRtf(const QString& path);

/// How long work may run before it shows its progress window (400 ms unless set).
int momentMs();
void setMomentMs(int milliseconds);

/// The size from which loading and saving show their progress (8 MB unless set).
qint64 progressFromBytes();
void setProgressFromBytes(qint64 bytes);

} // namespace platform
