#include "TestFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

struct ToolResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ToolResult tool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(QUILNAVER_LIST_TOOL), arguments);
    ToolResult r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

TEST(CatalogueCommandLine, AddsFindsListsAndReplacesVolumes)
{
    Fixture f;
    f.subdir("disk");
    f.file("disk/写真.jpg", "12345");
    f.file("disk/Notes.TXT", "1");
    f.file("disk/esc\x1b.txt", "1");
    const QString cat = f.path() + QStringLiteral("c.qncat");
    const QString disk = f.path() + QStringLiteral("disk");
    const QString catArg = QStringLiteral("--catalog");

    ToolResult r = tool({catArg, cat, QStringLiteral("--add-volume"), QStringLiteral("DVD1"), disk});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_TRUE(r.out.isEmpty());

    r = tool({catArg, cat, QStringLiteral("--find"), QStringLiteral("写真")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "DVD1\t" + f.nativePath() + "disk/写真.jpg\n");
    r = tool({catArg, cat, QStringLiteral("--find"), QStringLiteral("*.txt")});
    EXPECT_EQ(r.status, 0);
    QList<QByteArray> lines = r.out.split('\n');
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (QList<QByteArray>{"", "DVD1\t" + f.nativePath() + "disk/Notes.TXT",
                                        "DVD1\t" + f.nativePath() + "disk/esc\\x1b.txt"}));
    r = tool({catArg, cat, QStringLiteral("--find"), QStringLiteral("missing")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());

    // The same name again replaces the volume, and says so.
    f.remove("disk/写真.jpg");
    r = tool({catArg, cat, QStringLiteral("--add-volume"), QStringLiteral("DVD1"), disk});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("replaced the volume DVD1"));
    EXPECT_EQ(tool({catArg, cat, QStringLiteral("--find"), QStringLiteral("写真")}).status, 1);
    ASSERT_EQ(tool({catArg, cat, QStringLiteral("--add-volume"), QStringLiteral("DVD2"), disk}).status, 0);

    r = tool({catArg, cat, QStringLiteral("--volumes")});
    EXPECT_EQ(r.status, 0);
    lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("DVD1\t2\t2\t")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("DVD2\t2\t2\t")) << lines[1].toStdString();
    r = tool({catArg, cat, QStringLiteral("--find"), QStringLiteral("notes"), QStringLiteral("--volume"),
              QStringLiteral("DVD2")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "DVD2\t" + f.nativePath() + "disk/Notes.TXT\n");

    // Usage errors and files that are no catalogue: 2, nothing written.
    EXPECT_EQ(tool({catArg, cat, QStringLiteral("--find"), QStringLiteral("x"), QStringLiteral("--volume"),
                    QStringLiteral("none")}).status, 2);
    EXPECT_EQ(tool({catArg, cat}).status, 2);
    EXPECT_EQ(tool({QStringLiteral("--find"), QStringLiteral("x")}).status, 2);
    f.file("list.csv", "not a catalogue");
    r = tool({catArg, f.path() + QStringLiteral("list.csv"), QStringLiteral("--find"), QStringLiteral("x")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("not a catalogue"));
    r = tool({catArg, f.path() + QStringLiteral("list.csv"), QStringLiteral("--add-volume"), QStringLiteral("x"), disk});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(readAll(f.path() + QStringLiteral("list.csv")), QByteArray("not a catalogue"));
    EXPECT_EQ(tool({catArg, f.path() + QStringLiteral("none.qncat"), QStringLiteral("--volumes")}).status, 2);
}

} // namespace
