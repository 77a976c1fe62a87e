#include "TestFiles.h"

#include "list/EntryTable.h"
#include "output/HtmlSnapshot.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>

namespace qn {
namespace {

using namespace test;

void add(EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 modified)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = modified;
        return true;
    });
}

// The page's data blocks: the folders, then the files in blocks.
struct Page {
    QByteArray html;
    QJsonObject meta;
    QList<QJsonArray> blocks;
    QByteArray between(const QByteArray &open, const QByteArray &close) const
    {
        const qsizetype from = html.indexOf(open);
        const qsizetype to = html.indexOf(close, from + open.size());
        return from < 0 || to < 0 ? QByteArray() : html.mid(from + open.size(), to - from - open.size());
    }
};

Page read(const QByteArray &html)
{
    Page p{html, {}, {}};
    const QByteArray metaOpen = "<script type=\"application/json\" id=\"meta\">";
    p.meta = QJsonDocument::fromJson(p.between(metaOpen, "</script>")).object();
    const QByteArray blockOpen = "<script type=\"application/json\" class=\"files\">";
    for (qsizetype at = html.indexOf(blockOpen); at >= 0; at = html.indexOf(blockOpen, at + 1)) {
        const qsizetype end = html.indexOf("</script>", at);
        p.blocks.append(QJsonDocument::fromJson(html.mid(at + blockOpen.size(), end - at - blockOpen.size())).array());
    }
    return p;
}

// A file as the page holds it: its folder's path, name, size and time.
struct PageFile {
    QString directory, name;
    qint64 size, modified;
    int state;
    QString digest;
    bool operator==(const PageFile &) const = default;
};

// What the page's script does with the data, done again here: folders
// nested by their parents, the files of each in turn, times added up.
std::vector<PageFile> filesOf(const Page &p, std::vector<qint64> *ownBytes = nullptr)
{
    const QJsonArray parents = p.meta["dirParents"].toArray(), segments = p.meta["dirSegments"].toArray();
    const QJsonArray counts = p.meta["dirFiles"].toArray(), bytes = p.meta["dirBytes"].toArray();
    std::vector<QString> paths;
    std::vector<QString> folderOf;
    for (qsizetype d = 0; d < parents.size(); ++d) {
        const int back = parents[d].toInt();
        paths.push_back(back == 0 ? segments[d].toString() : paths[size_t(d - back)] + segments[d].toString() + "/");
        for (int k = 0; k < counts[d].toInt(); ++k)
            folderOf.push_back(paths.back());
        if (ownBytes)
            ownBytes->push_back(qint64(bytes[d].toDouble()));
    }
    std::vector<PageFile> files;
    qint64 time = 0;
    for (const QJsonArray &b : p.blocks) {
        const QJsonArray names = b[0].toArray(), sizes = b[1].toArray(), times = b[2].toArray(),
                         digests = b[4].toArray();
        const QString states = b[3].toString();
        for (qsizetype i = 0; i < names.size(); ++i) {
            // A far time comes whole, as a string; a big size as a string too.
            time = times[i].isString() ? times[i].toString().toLongLong() : time + qint64(times[i].toDouble());
            const size_t f = files.size();
            files.push_back({f < folderOf.size() ? folderOf[f] : QString(), names[i].toString(),
                             sizes[i].isString() ? sizes[i].toString().toLongLong() : qint64(sizes[i].toDouble()), time, states.isEmpty() ? 0 : states[i].unicode() - '0',
                             digests.isEmpty() ? QString() : digests[i].toString()});
        }
    }
    return files;
}

TEST(HtmlSnapshot, NamesAreDataAndEveryFileComesBackInItsFolder)
{
    const QString hostile[] = {
        "<script>alert(1)</script>.txt", "\"><img src=x onerror=alert(1)>", "</script><!--", "tab\there\nline\x01",
        "line\u2028sep\u2029.txt", "日本語のファイル.txt", "emoji😀.png", "back\\slash\"quote'",
    };
    EntryTable t;
    qint64 when = 1796720707;
    for (const QString &name : hostile)
        add(t, "/data/</script>/", name, name.size() * 1000, when += 86400 * 400);
    add(t, "/data/", "top.txt", 12345678901, -86400 * 365 * 5); // before 1970, more than 32 bits
    add(t, "/other/deep/er/", "a", 0, 0);
    add(t, "/data/</script>/sub/", "b", 7, 1700000000);
    add(t, "/data/", "late.txt", 3, 1700000000);

    const QByteArray html = HtmlSnapshotText(t, {"<b>&\"list'</b>", 1, 1796720707});
    const Page p = read(html);

    // Nothing a name holds can end a script block or start markup: the only
    // "<" are the page's own tags, and the title is escaped text.
    const QByteArray metaOpen = "<script type=\"application/json\" id=\"meta\">";
    const qsizetype dataFrom = html.indexOf(metaOpen) + metaOpen.size();
    const QList<QByteArray> pieces = html.mid(dataFrom, html.lastIndexOf("<script>") - dataFrom).split('<');
    for (const QByteArray &piece : pieces.mid(1))
        EXPECT_TRUE(piece.startsWith("/script>") || piece.startsWith("script type=\"application/json\""))
            << piece.left(40).constData();
    EXPECT_FALSE(html.contains("\xE2\x80\xA8")); // U+2028 would end a line inside a script
    EXPECT_TRUE(html.contains("<title>&lt;b&gt;&amp;&quot;list&#39;&lt;/b&gt;</title>"));
    EXPECT_EQ(p.meta["title"].toString(), "<b>&\"list'</b>");

    // Every name, size and time in its folder, list order kept in each.
    std::vector<qint64> ownBytes;
    const std::vector<PageFile> files = filesOf(p, &ownBytes);
    std::vector<PageFile> expected;
    for (const char *dir : {"/data/", "/data/</script>/", "/data/</script>/sub/", "/other/deep/er/"}) {
        for (int i = 1; i <= t.EntryCount(); ++i) {
            const ListEntry &e = t.at(i);
            if (e.Directory == QLatin1String(dir))
                expected.push_back({e.Directory, e.FileName, e.Size, e.Modified, 0, QString()});
        }
    }
    EXPECT_EQ(files, expected);
    EXPECT_EQ(p.meta["files"].toInt(), t.EntryCount());
    EXPECT_EQ(qint64(p.meta["bytes"].toDouble()), t.TotalBytes());
    // Folders: / data </script> sub other deep er, each with its own bytes.
    EXPECT_EQ(p.meta["dirSegments"].toArray(),
              QJsonArray({"/", "data", "<", "script>", "sub", "other", "deep", "er"}));
    qint64 hostileBytes = 0;
    for (const QString &name : hostile)
        hostileBytes += name.size() * 1000;
    EXPECT_EQ(ownBytes, (std::vector<qint64>{0, 12345678904, 0, hostileBytes, 7, 0, 0, 0}));
    EXPECT_EQ(p.meta["unit"].toInt(), 1);

    // The policy allows the page's own script and style by digest, nothing else.
    const QString policy = QString::fromUtf8(p.between("Content-Security-Policy\" content=\"", "\""));
    EXPECT_TRUE(policy.startsWith("default-src 'none'; ")) << policy.toStdString();
    EXPECT_FALSE(policy.contains("unsafe")) << policy.toStdString();
    const QByteArray script = html.mid(html.lastIndexOf("<script>") + 8);
    const QByteArray scriptDigest =
        QCryptographicHash::hash(script.left(script.indexOf("</script>")), QCryptographicHash::Sha256).toBase64();
    EXPECT_TRUE(policy.contains("script-src 'sha256-" + scriptDigest + "'")) << policy.toStdString();
    const QByteArray styleDigest = QCryptographicHash::hash(p.between("<style>", "</style>"), QCryptographicHash::Sha256).toBase64();
    EXPECT_TRUE(policy.contains("style-src 'sha256-" + styleDigest + "'")) << policy.toStdString();
    EXPECT_FALSE(html.contains("http:")) ;
    EXPECT_FALSE(html.contains("https:"));
}

TEST(HtmlSnapshot, StatesDigestsManyBlocksAndAStop)
{
    EntryTable t;
    for (int i = 0; i < 20000; ++i)
        add(t, QStringLiteral("/d%1/").arg(i % 3), QStringLiteral("f%1").arg(i), i, 1700000000 + i % 7);
    t.MarkChecked();
    t.SetChecked(5, CheckState::Changed);
    t.SetChecked(20000, CheckState::Missing);
    t.SetDigest(5, QByteArray(32, '\xfb'));

    const Page p = read(HtmlSnapshotText(t, {"x", 3, 0}));
    EXPECT_EQ(p.meta["checked"].toBool(), true);
    EXPECT_EQ(p.meta["digests"].toBool(), true);
    EXPECT_EQ(p.blocks.size(), 3); // 20,000 files in blocks the page reads one at a time
    const std::vector<PageFile> files = filesOf(p);
    ASSERT_EQ(files.size(), 20000u);
    qint64 bytes = 0;
    for (const PageFile &f : files) {
        const int i = f.name.mid(1).toInt() + 1;
        const ListEntry &e = t.at(i);
        EXPECT_EQ(f.directory, e.Directory);
        EXPECT_EQ(f.modified, e.Modified);
        EXPECT_EQ(f.state, int(e.State)) << i;
        EXPECT_EQ(f.digest, i == 5 ? QString("-_v7-_v7-_v7-_v7-_v7-_v7-_v7-_v7-_v7-_v7-_s") : QString()) << i;
        bytes += f.size;
    }
    EXPECT_EQ(bytes, t.TotalBytes());

    // Stopped while the table is read: nothing.
    int asked = 0;
    EXPECT_TRUE(HtmlSnapshotText(t, {"x", 3, 0}, [&](int read) { ++asked; return read < 8000; }).isEmpty());
    EXPECT_EQ(asked, 2);
}

TEST(HtmlSnapshot, FarTimesAndHugeSizesComeBackExact)
{
    const qint64 big = std::numeric_limits<qint64>::max(), small = std::numeric_limits<qint64>::min();
    const qint64 edge = qint64(1) << 53;
    EntryTable t;
    const qint64 times[] = {1700000000, big, 1700000001, small, small + 1, -1, edge + 1, edge, 1, -edge - 1, 5};
    const qint64 sizes[] = {1, (qint64(1) << 62) + 1, edge + 1, edge, 3, 0, 12345678901234567, 2, 1, edge - 1, 7};
    for (size_t i = 0; i < std::size(times); ++i)
        add(t, "/d/", QString::number(i), sizes[i], times[i]);
    const Page p = read(HtmlSnapshotText(t, {"x", 3, 0}));
    const std::vector<PageFile> files = filesOf(p);
    ASSERT_EQ(files.size(), std::size(times));
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].modified, times[i]) << i;
        EXPECT_EQ(files[i].size, sizes[i]) << i;
    }
    // Every number the page reads as a double is exact as one.
    const QByteArray block = p.between("class=\"files\">", "</script>");
    for (int column : {1, 2}) {
        for (const QJsonValue v : p.blocks[0][column].toArray()) {
            if (v.isDouble()) {
                EXPECT_LE(std::abs(v.toDouble()), double(edge)) << block.constData();
            }
        }
    }
}

TEST(CommandLine, WritesTheHtmlPage)
{
    Fixture fx;
    fx.file("日本語.txt", "abc", 1796720707);
    fx.file("\"><img src=x>", "1234", 1796720707);
    Fixture out;
    QProcess tool;
    tool.start(QStringLiteral(QUILNAVER_LIST_TOOL), {"-f", "html", "-u", "0", "-o", out.path() + "list.html", fx.path()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    const Page p = read(readAll(out.path() + "list.html"));
    EXPECT_EQ(p.meta["title"].toString(), QStringLiteral("リスト"));
    EXPECT_EQ(p.meta["unit"].toInt(), 0);
    const std::vector<PageFile> files = filesOf(p);
    ASSERT_EQ(files.size(), 2u);
    QStringList names{files[0].name, files[1].name};
    names.sort();
    EXPECT_EQ(names, (QStringList{"\"><img src=x>", "日本語.txt"}));
    EXPECT_EQ(files[0].directory, fx.path());

    // From a saved list: the page is titled with its name, as the workbook is.
    tool.start(QStringLiteral(QUILNAVER_LIST_TOOL), {"-f", "csv", "-o", out.path() + "納品.csv", fx.path()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    tool.start(QStringLiteral(QUILNAVER_LIST_TOOL),
               {"--from-csv", out.path() + "納品.csv", "-f", "html", "-o", out.path() + "named.html"});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    const QByteArray named = readAll(out.path() + "named.html");
    EXPECT_EQ(read(named).meta["title"].toString(), QStringLiteral("納品"));
    EXPECT_TRUE(named.contains("<title>納品</title>"));

    tool.start(QStringLiteral(QUILNAVER_LIST_TOOL), {"-f", "htm", fx.path()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(tool.readAllStandardError().contains("or 'html', not 'htm'"));
}

} // namespace
} // namespace qn
