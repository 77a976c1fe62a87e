#include "UiHarness.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

const QString Done = QStringLiteral("完了！！");

// What `sha256sum -c` says in a folder, and whether it passed.
bool sha256sumCheck(const QString &folder, QByteArray *said)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral("sha256sum"), {QStringLiteral("-c"), QStringLiteral("SHA256SUMS")});
    p.waitForFinished(60000);
    *said = p.readAllStandardOutput() + p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A manifest saved over a file the list holds, with its digest, leaves that
// file out: sha256sum -c passes, saved once and again.
TEST(RecordFiles, TheManifestNeverListsItself)
{
    Harness h;
    Fixture fx;
    fx.file("a.txt", "abc");
    fx.file("SHA256SUMS", "an older manifest\n");
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.find<QAction>("File_Sha256")->trigger();
    ASSERT_EQ(h.window->table().EntryCount(), 2);
    ASSERT_TRUE(h.window->table().HasDigests());
    for (int run = 0; run < 2; ++run) {
        h.messages.shown.clear();
        h.chooser.answer = fx.path() + "SHA256SUMS";
        h.find<QAction>("File_SaveSums")->trigger();
        EXPECT_EQ(h.messages.texts(), QStringList{Done}) << run;
        EXPECT_EQ(readAll(fx.path() + "SHA256SUMS"),
                  QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  a.txt\n"));
        QByteArray said;
        EXPECT_TRUE(sha256sumCheck(fx.path(), &said)) << said.constData();
    }
}

// CSVを開く says how many rows it read and how many the list held already,
// and shows the SHA-256 column when the file holds digests.
TEST(RecordFiles, OpeningACsvSaysWhatItReadAndShowsItsDigests)
{
    Harness h;
    Fixture fx;
    Fixture out;
    fx.file("a.txt", "abc", 1700000000);
    fx.file("b.txt", "", 1700000000);
    h.openDirectory(fx.path());
    h.click("DirAdd");
    h.find<QAction>("File_Sha256")->trigger();
    h.chooser.answer = out.path() + "list.csv";
    h.find<QAction>("File_SaveCsv")->trigger();
    h.click("Shinki");
    ASSERT_EQ(h.grid()->model()->columnCount(), 4);

    h.messages.shown.clear();
    h.find<QAction>("File_OpenCsv")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("2 件を読み込みました。")});
    ASSERT_EQ(h.grid()->model()->columnCount(), 5);
    EXPECT_EQ(h.grid()->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("SHA-256"));
    QStringList digests{h.cell(1, 0) + "=" + h.cell(1, 4), h.cell(2, 0) + "=" + h.cell(2, 4)};
    digests.sort();
    EXPECT_EQ(digests, (QStringList{"a.txt=ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
                                    "b.txt=e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}));

    // Opened again: nothing new, and it says so.
    h.messages.shown.clear();
    h.find<QAction>("File_OpenCsv")->trigger();
    EXPECT_EQ(h.messages.texts(),
              QStringList{QStringLiteral("0 件を読み込みました。\rリストにすでにあった 2 件は追加していません。")});
    EXPECT_EQ(h.rows(), 2);

    // A row the reader refuses names its line; nothing is added.
    out.file("bad.csv", "ファイル名,バイト数,更新日時,ディレクトリ\r\n../x,1,2026-12-08 09:05:07,/d/\r\n");
    h.chooser.answer = out.path() + "bad.csv";
    h.messages.shown.clear();
    h.find<QAction>("File_OpenCsv")->trigger();
    EXPECT_EQ(h.messages.texts(), QStringList{QStringLiteral("2 行目を読み込めませんでした。")});
    EXPECT_EQ(h.rows(), 2);

    // A row the list cannot take, its total past the limit, is named, not
    // dropped while the rest is said to be read.
    h.click("Shinki");
    out.file("huge.csv", "ファイル名,バイト数,更新日時,ディレクトリ\r\n"
                         "a,9223372036854775807,2026-12-08 09:05:07,/d/\r\nb,1,2026-12-08 09:05:07,/d/\r\n");
    h.chooser.answer = out.path() + "huge.csv";
    h.messages.shown.clear();
    h.find<QAction>("File_OpenCsv")->trigger();
    EXPECT_EQ(h.messages.texts(),
              (QStringList{QStringLiteral("1 件を読み込みました。"),
                           QStringLiteral("合計バイト数が上限を超えるため、1 件のファイルを追加できませんでした。\r/d/b")}));
    EXPECT_EQ(h.rows(), 1);
}

} // namespace
} // namespace qn
