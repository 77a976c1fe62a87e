#include "platform/TreeWalk.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <chrono>

namespace qn {

// One thread here: the listing calls of this platform bring each file's
// attributes along, so the walk is bound by the disk rather than by calls.
TreeWalkReport walkTree(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                        int, bool subdirectories)
{
    TreeWalkReport report;
    report.threads = 1;
    QSet<QString> seen; // a junction must not lead round in a circle
    std::vector<QString> stack{root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')};
    auto last = std::chrono::steady_clock::now();
    while (!stack.empty()) {
        if (cancel.load()) {
            report = TreeWalkReport();
            report.cancelled = true;
            return report;
        }
        const QString path = stack.back();
        stack.pop_back();
        const QDir dir(path);
        if (!dir.exists() || !dir.isReadable()) {
            report.skipped.append(path);
            continue;
        }
        if (seen.contains(dir.canonicalPath()))
            continue;
        seen.insert(dir.canonicalPath());

        WalkedDirectory walked{path, {}};
        for (const QFileInfo &f : dir.entryInfoList(QDir::Files, QDir::Unsorted)) {
            if (!f.exists()) {
                report.skipped.append(path + f.fileName());
                continue;
            }
            const QDateTime modified = f.lastModified();
            walked.files.push_back(WalkedFile{f.fileName(), FileStamp{f.size(), modified.toSecsSinceEpoch()}});
        }
        report.fileCount += qint64(walked.files.size());
        if (!walked.files.empty())
            report.directories.push_back(std::move(walked));

        if (!subdirectories)
            continue;
        QStringList children = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
        std::sort(children.begin(), children.end(), inListOrder);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(path + *it + QLatin1Char('/'));

        const auto now = std::chrono::steady_clock::now();
        if (progress && now - last >= std::chrono::milliseconds(50)) {
            last = now;
            progress(report.fileCount, path);
        }
    }
    return report;
}

} // namespace qn
