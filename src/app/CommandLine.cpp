#include "app/CommandLine.h"

#include "platform/FileSystem.h"

#include <algorithm>

namespace modMain {

QStringList TakeFileArguments(int& argc, char** argv)
{
    QStringList files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        files << platform::decodeFileName(argument);
    }
    argc = std::min(argc, 1);
    return files;
}

QStringList FileArgumentsFor(const QStringList& files)
{
    // A first name "--" would be taken for the end of the options.
    if (!files.isEmpty() && files.first() == QLatin1String("--"))
        return QStringList{QStringLiteral("--")} + files;
    return files;
}

QStringList CommandLineItems{QString()};

qint32 CommandLineCountChar(const QString& text, const QString& pattern)
{
    if (pattern.isEmpty())
        return 0;
    qint32 count = 0;
    qsizetype from = 0;
    while ((from = text.indexOf(pattern, from, Qt::CaseSensitive)) >= 0) {
        ++count;
        from += pattern.size();
    }
    return count;
}

void CommandLineAddItem(QStringList& items, const QString& text)
{
    if (items.isEmpty())
        items << QString();
    if (!items.first().isEmpty())
        items << QString();
    QString& last = items.last();
    last = text;
    if (last.size() >= 2 && last.startsWith(u'"') && last.endsWith(u'"'))
        last = last.mid(1, last.size() - 2);
}

void CommandLineGet(QStringList& items, const QString& s)
{
    items = QStringList{QString()};
    if (CommandLineCountChar(s, QStringLiteral("\"")) % 2 != 0)
        return;
    // Positions are 0-based here; "end" is the separating blank (or the character after a
    // closing quote), which the next item skips.
    qsizetype start = 0;
    qsizetype end;
    while (start <= s.size() && (end = s.indexOf(u' ', start)) >= 0) {
        const QString segment = s.mid(start, end - start);
        if (CommandLineCountChar(segment, QStringLiteral("\"")) % 2 != 0) {
            const qsizetype quote = s.indexOf(u'"', end);
            end = quote < 0 ? s.size() : quote + 1;
        }
        CommandLineAddItem(items, s.mid(start, end - start));
        start = end + 1;
    }
    if (start < s.size())
        CommandLineAddItem(items, s.mid(start));
}

bool ParseCommandLine(const QString& command)
{
    CommandLineGet(CommandLineItems, command);
    return !CommandLineItems.isEmpty() && !CommandLineItems.first().isEmpty();
}

} // namespace modMain
