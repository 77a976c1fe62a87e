#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qn::bench {

// Every aim a benchmark states is judged here: "ok", or "OVER" and counted,
// so that the program fails once everything has been printed.
inline int &missedAims()
{
    static int missed = 0;
    return missed;
}
inline const char *verdict(bool met)
{
    if (!met)
        ++missedAims();
    return met ? "ok" : "OVER";
}
// The program's exit status: 1 when an aim was missed.
inline int exitStatus()
{
    if (missedAims() > 0)
        std::printf("\n%d aim(s) missed\n", missedAims());
    return missedAims() > 0 ? 1 : 0;
}

// Keeps each benchmark's time per iteration so that ratios between them can
// be printed after the run, as measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            if (r.iterations > 0)
                m_seconds[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double seconds(const std::string &name) const
    {
        const auto it = m_seconds.find(name);
        return it == m_seconds.end() ? 0 : it->second;
    }
    void ratio(const std::string &what, const std::string &a, const std::string &b, double limit) const
    {
        const double x = seconds(a), y = seconds(b);
        if (x <= 0 || y <= 0) {
            std::printf("%-58s  (not measured) %s\n", what.c_str(), verdict(false));
            return;
        }
        std::printf("%-58s %9.3f ms / %9.3f ms = %6.2fx  (aim: at most %.2fx) %s\n", what.c_str(), x * 1e3,
                    y * 1e3, x / y, limit, verdict(x / y <= limit));
    }

private:
    std::map<std::string, double> m_seconds;
};

// A directory of n empty-ish regular files with short varied names.
inline void makeFiles(const QString &dir, int n, const char *prefix = "file")
{
    QDir().mkpath(dir);
    const QByteArray base = QFile::encodeName(dir) + '/';
    for (int i = 0; i < n; ++i) {
        const QByteArray path = base + prefix + QByteArray::number(i) + ".dat";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            if (::write(fd, "0123456789", size_t(i % 11)) < 0) {
            }
            ::close(fd);
        }
    }
}

// Large fixtures are made once under $TMPDIR and kept for later runs; a
// marker file says a folder is complete.
inline QString fixtureRoot() { return QDir::tempPath() + QStringLiteral("/quilnaver-bench"); }
inline QString flatDir(int n) { return fixtureRoot() + QStringLiteral("/flat%1").arg(n); }

template <class Make>
void ensureFixture(const QString &dir, const Make &make)
{
    const QString done = dir + QStringLiteral(".done");
    if (QFile::exists(done))
        return;
    std::printf("making %s (once)...\n", dir.toLocal8Bit().constData());
    std::fflush(stdout);
    make();
    QFile(done).open(QIODevice::WriteOnly);
}

// A tree of 1,000,000 files: 10,000 directories of 100 files, three levels deep.
inline QString treeDir() { return fixtureRoot() + QStringLiteral("/tree"); }
inline QString ensureTree()
{
    ensureFixture(treeDir(), [] {
        for (int a = 0; a < 10; ++a)
            for (int b = 0; b < 10; ++b)
                for (int c = 0; c < 100; ++c)
                    makeFiles(treeDir() + QStringLiteral("/a%1/b%2/c%3").arg(a).arg(b).arg(c), 100);
    });
    return treeDir();
}

// The peak resident size of this process so far, in KiB (VmHWM starts afresh
// at exec, so a child started for a measurement counts from its own start).
inline qint64 peakKiB(const char *field = "VmHWM:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

inline QString ensureFlatDir(int n)
{
    ensureFixture(flatDir(n), [n] { makeFiles(flatDir(n), n); });
    return flatDir(n);
}

} // namespace qn::bench
