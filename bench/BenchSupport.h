#pragma once
// Small helpers the benchmark commands share.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace bench {

/// A field of /proc/self/status in kilobytes ("VmHWM:" is the peak resident size), or -1.
inline qint64 procStatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

/// The value of "--name=value" among the arguments, or fallback.
inline QString arg(const QStringList& args, const QString& name, const QString& fallback)
{
    for (const QString& a : args)
        if (a.startsWith(name + u'='))
            return a.mid(name.size() + 1);
    return fallback;
}

} // namespace bench
