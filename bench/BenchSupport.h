#pragma once
// Small helpers the benchmark commands share.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <utility>
#include <vector>

namespace bench {

/// Runs the benchmark headless unless QT_QPA_PLATFORM says otherwise (call before the application).
inline void headlessUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

/// Timings in order: the median, any percentile and the greatest (0 when there are none).
class Spread {
public:
    explicit Spread(std::vector<double> values) : sorted_(std::move(values))
    {
        std::sort(sorted_.begin(), sorted_.end());
    }
    double at(double fraction) const
    {
        if (sorted_.empty())
            return 0;
        return sorted_[std::min(sorted_.size() - 1, size_t(double(sorted_.size()) * fraction))];
    }
    double median() const { return at(0.5); }
    double max() const { return sorted_.empty() ? 0 : sorted_.back(); }
    const std::vector<double>& sorted() const { return sorted_; }

private:
    std::vector<double> sorted_;
};

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
