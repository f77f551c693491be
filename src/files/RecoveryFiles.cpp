#include "files/RecoveryFiles.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSet>
#include <QStringEncoder>
#include <algorithm>
#include <new>

namespace recovery {

namespace {

using Encoding = platform::TextFormat::Encoding;
using LineBreak = platform::TextFormat::LineBreak;

constexpr int kVersion = 1;
constexpr qint64 kLargestDescription = 1 << 20; // a description holds a caption and a path
const QString kDescriptionSuffix = QStringLiteral(".json");
const QString kLockSuffix = QStringLiteral(".lock");

const std::pair<Encoding, const char*> kEncodings[] = {
    {Encoding::Utf8, "utf-8"},
    {Encoding::Utf8Bom, "utf-8-bom"},
    {Encoding::Utf16LE, "utf-16le"},
    {Encoding::Utf16BE, "utf-16be"},
    {Encoding::Windows1252, "windows-1252"},
    {Encoding::Other, "other"}, // named by "charset"
};

const std::pair<LineBreak, const char*> kLineBreaks[] = {
    {LineBreak::LF, "lf"},
    {LineBreak::CRLF, "crlf"},
    {LineBreak::CR, "cr"},
};

template <class Enum, size_t N>
QString nameOf(const std::pair<Enum, const char*> (&table)[N], Enum value)
{
    for (const auto& [v, name] : table) {
        if (v == value)
            return QString::fromLatin1(name);
    }
    return QString::fromLatin1(table[0].second);
}

template <class Enum, size_t N>
std::optional<Enum> valueOf(const std::pair<Enum, const char*> (&table)[N], const QString& name)
{
    for (const auto& [v, n] : table) {
        if (name == QLatin1String(n))
            return v;
    }
    return std::nullopt;
}

QString dataPrefix(qint64 id)
{
    return QString::number(id) + u'-';
}

const std::pair<CopyInfo::PlainCopy, const char*> kPlainCopies[] = {
    {CopyInfo::PlainCopy::Lines, "lines"},
    {CopyInfo::PlainCopy::RawUtf8, "raw-utf-8"},
    {CopyInfo::PlainCopy::RawUtf16, "raw-utf-16le"},
};

// Writes the whole file or nothing: an old copy stays whole when the disk is full. A failure to
// find memory for the text is told like any other, never an end of the program.
QString saveWhole(const QString& path, const platform::ByteProducer& produce, qint64 size)
{
    try {
        platform::writeWholeFile(path, produce, size);
        return QString();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("there is not enough memory.");
    } catch (const platform::AppError& e) {
        if (e.number == platform::err::DiskFull)
            return QStringLiteral("there is not enough space on the disk.");
        return e.description;
    }
}

QString saveWhole(const QString& path, const QByteArray& bytes)
{
    return saveWhole(path, [&](const auto& write) { write(bytes); }, bytes.size());
}

QString runName()
{
    return QStringLiteral("%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

} // namespace

QByteArray toJson(const CopyInfo& info)
{
    QJsonObject o;
    o[QStringLiteral("version")] = kVersion;
    o[QStringLiteral("caption")] = info.caption;
    o[QStringLiteral("path")] = info.path;
    o[QStringLiteral("kind")] = info.rich ? QStringLiteral("rtf") : QStringLiteral("plain");
    o[QStringLiteral("encoding")] = nameOf(kEncodings, info.format.encoding);
    if (info.format.encoding == Encoding::Other)
        o[QStringLiteral("charset")] = QString::fromLatin1(info.format.charset);
    o[QStringLiteral("lineBreaks")] = nameOf(kLineBreaks, info.format.lineBreak);
    o[QStringLiteral("diskStamp")] = info.diskStamp;
    o[QStringLiteral("order")] = info.order;
    o[QStringLiteral("data")] = info.dataFile;
    if (info.plainCopy != CopyInfo::PlainCopy::Lines)
        o[QStringLiteral("plainText")] = nameOf(kPlainCopies, info.plainCopy);
    return QJsonDocument(o).toJson();
}

std::optional<CopyInfo> fromJson(const QByteArray& json, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<CopyInfo> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return fail(QStringLiteral("its description is damaged"));
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("version")).toInt() != kVersion)
        return fail(QStringLiteral("it was written in an unknown form"));
    CopyInfo info;
    info.caption = o.value(QStringLiteral("caption")).toString();
    info.path = o.value(QStringLiteral("path")).toString();
    info.diskStamp = o.value(QStringLiteral("diskStamp")).toString();
    info.order = o.value(QStringLiteral("order")).toInteger();
    info.dataFile = o.value(QStringLiteral("data")).toString();
    const QString kind = o.value(QStringLiteral("kind")).toString();
    if (kind != QLatin1String("plain") && kind != QLatin1String("rtf"))
        return fail(QStringLiteral("its description is damaged"));
    info.rich = kind == QLatin1String("rtf");
    if (o.contains(QStringLiteral("plainText"))) {
        const auto plainCopy = valueOf(kPlainCopies, o.value(QStringLiteral("plainText")).toString());
        if (!plainCopy)
            return fail(QStringLiteral("its description is damaged"));
        info.plainCopy = *plainCopy;
    }
    const auto encoding = valueOf(kEncodings, o.value(QStringLiteral("encoding")).toString());
    const auto lineBreak = valueOf(kLineBreaks, o.value(QStringLiteral("lineBreaks")).toString());
    if (!encoding || !lineBreak)
        return fail(QStringLiteral("its description is damaged"));
    info.format = {*encoding, *lineBreak, {}};
    if (*encoding == Encoding::Other) {
        info.format.charset = o.value(QStringLiteral("charset")).toString().toLatin1();
        if (!QStringEncoder(info.format.charset.constData()).isValid())
            return fail(QStringLiteral("its encoding is unknown here"));
    }
    if (info.dataFile.isEmpty() || info.dataFile.contains(u'/') || info.dataFile.contains(u'\\')
        || info.dataFile.startsWith(u'.'))
        return fail(QStringLiteral("its description names no text file"));
    if (!info.path.isEmpty() && !QDir::isAbsolutePath(info.path))
        return fail(QStringLiteral("its description is damaged"));
    return info;
}

QByteArray plainData(const QString& text)
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString writeCopy(const QString& folder, qint64 id, int generation, CopyInfo info,
                  const QByteArray& data)
{
    return writeCopy(folder, id, generation, std::move(info),
                     [&](const auto& write) { write(data); }, data.size());
}

QString writeCopy(const QString& folder, qint64 id, int generation, CopyInfo info,
                  const platform::ByteProducer& produce, qint64 size)
{
    // The folder may have been removed by hand while the program runs.
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    info.dataFile = dataPrefix(id) + QString::number(generation)
                    + (info.rich ? QStringLiteral(".rtf") : QStringLiteral(".txt"));
    QString error = saveWhole(folder + u'/' + info.dataFile, produce, size);
    if (error.isEmpty())
        error = saveWhole(folder + u'/' + QString::number(id) + kDescriptionSuffix, toJson(info));
    // The description names the new text only once both are written; until then the older
    // text stays. Whatever else of this document lies here is now out of date.
    const QDir dir(folder);
    const QString current = error.isEmpty() ? info.dataFile : QString();
    for (const QString& name : dir.entryList({dataPrefix(id) + u'*'}, QDir::Files)) {
        if (error.isEmpty() ? name != current : name == info.dataFile)
            QFile::remove(dir.filePath(name));
    }
    return error;
}

void removeCopy(const QString& folder, qint64 id)
{
    const QDir dir(folder);
    QFile::remove(dir.filePath(QString::number(id) + kDescriptionSuffix));
    for (const QString& name : dir.entryList({dataPrefix(id) + u'*'}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

bool holdsCopies(const QString& folder)
{
    return !QDir(folder).entryList({u'*' + kDescriptionSuffix}, QDir::Files).isEmpty();
}

QString FoundCopy::dataPath() const
{
    return QFileInfo(descriptionFile).absoluteDir().filePath(info.dataFile);
}

void readFolder(const QString& folder, std::vector<FoundCopy>& found,
                std::vector<BrokenCopy>& broken)
{
    const QDir dir(folder);
    std::vector<FoundCopy> here;
    for (const QString& name : dir.entryList({u'*' + kDescriptionSuffix}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (file.size() > kLargestDescription) {
            broken.push_back({path, QString(), QStringLiteral("its description is damaged")});
            continue;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            broken.push_back({path, QString(), file.errorString()});
            continue;
        }
        QString error;
        const std::optional<CopyInfo> info = fromJson(file.readAll(), &error);
        if (!info) {
            broken.push_back({path, QString(), error});
            continue;
        }
        FoundCopy copy{path, *info};
        if (!QFileInfo(copy.dataPath()).isFile()) {
            broken.push_back({path, info->caption, QStringLiteral("its text file is missing")});
            continue;
        }
        here.push_back(std::move(copy));
    }
    std::stable_sort(here.begin(), here.end(), [](const FoundCopy& a, const FoundCopy& b) {
        return a.info.order < b.info.order;
    });
    std::move(here.begin(), here.end(), std::back_inserter(found));
}

RunFolder::RunFolder() = default;
RunFolder::RunFolder(RunFolder&&) noexcept = default;
RunFolder& RunFolder::operator=(RunFolder&&) noexcept = default;
RunFolder::~RunFolder() = default;

namespace {

// Why nothing can be written in folder, in the words a save uses: the lock file and mkpath tell
// no reason, so a small file is written there to learn it. fallback when that works after all.
QString writeTrouble(const QString& folder, const QString& fallback)
{
    const QString probe = folder + QStringLiteral("/.write-test-") + runName();
    const QString reason = saveWhole(probe, QByteArray(512, ' '));
    QFile::remove(probe);
    return reason.isEmpty() ? fallback : reason;
}

} // namespace

std::optional<RunFolder> createRunFolder(const QString& root, QString* error)
{
    if (!QDir().mkpath(root)) {
        if (error) {
            QFileInfo parent(root);
            while (!parent.exists() && !parent.isRoot())
                parent.setFile(parent.absolutePath());
            *error = writeTrouble(parent.absoluteFilePath(),
                                  QStringLiteral("cannot create the folder %1").arg(root));
        }
        return std::nullopt;
    }
    // The lock comes first: a folder without a lock is one that a starting copy may claim.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString path = root + u'/' + runName();
        auto lock = std::make_unique<QLockFile>(path + kLockSuffix);
        if (!lock->tryLock(0)) {
            if (lock->error() == QLockFile::LockFailedError)
                continue; // that name is taken: draw another
            if (error)
                *error = writeTrouble(root, QStringLiteral("cannot write in the folder %1").arg(root));
            return std::nullopt;
        }
        if (!QDir().mkpath(path)) {
            if (error)
                *error = writeTrouble(root, QStringLiteral("cannot create the folder %1").arg(path));
            return std::nullopt;
        }
        RunFolder run;
        run.path = path;
        run.lock = std::move(lock);
        return run;
    }
    if (error)
        *error = QStringLiteral("cannot lock a folder in %1").arg(root);
    return std::nullopt;
}

std::vector<RunFolder> claimAbandoned(const QString& root, const QString& own)
{
    const QDir dir(root);
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& lock : dir.entryList({u'*' + kLockSuffix}, QDir::Files, QDir::Name)) {
        const QString name = lock.chopped(kLockSuffix.size());
        if (!names.contains(name))
            names << name; // a lock left without its folder is cleaned up too
    }
    std::vector<RunFolder> claimed;
    for (const QString& name : names) {
        if (dir.filePath(name) == own)
            continue;
        auto lock = std::make_unique<QLockFile>(dir.filePath(name + kLockSuffix));
        // Free, or stale: its owner is no longer running. A live owner's lock is never taken.
        if (!lock->tryLock(0))
            continue;
        RunFolder run;
        run.path = dir.filePath(name);
        run.lock = std::move(lock);
        claimed.push_back(std::move(run));
    }
    return claimed;
}

void removeRunFolder(RunFolder& run)
{
    pruneRunFolder(run, {});
}

void pruneRunFolder(RunFolder& run, const QStringList& keep)
{
    const QDir dir(run.path);
    if (keep.isEmpty()) {
        QDir(run.path).removeRecursively();
    } else {
        QStringList kept = keep;
        for (const QString& name : keep) {
            QFile file(dir.filePath(name));
            if (file.size() <= kLargestDescription && file.open(QIODevice::ReadOnly)) {
                if (const std::optional<CopyInfo> info = fromJson(file.readAll(), nullptr))
                    kept << info->dataFile;
            }
        }
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
            if (!kept.contains(name))
                QFile::remove(dir.filePath(name));
        }
    }
    if (run.lock)
        run.lock->unlock();
}

} // namespace recovery
