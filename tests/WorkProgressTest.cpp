#include "UiHarness.h"

#include "ui/WorkProgress.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <gtest/gtest.h>

#include <thread>

namespace qn {
namespace {

using namespace test;

// Work that reports now and then until it is cancelled.
void untilCancelled(const std::atomic<bool> &cancel, const TreeWalkProgress &progress)
{
    for (qint64 files = 0; !cancel; files += 10) {
        progress(files, QStringLiteral("/data/photos/"));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST(ProgressWindow, CancelStopsTheWorkAtOnce)
{
    const std::function<void(QWidget *)> cancels[] = {
        [](QWidget *w) { QTest::mouseClick(w->findChild<QPushButton *>("Cancel"), Qt::LeftButton); },
        [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); },
        [](QWidget *w) { w->close(); },
    };
    for (const auto &cancel : cancels) {
        QString title;
        QString count;
        QElapsedTimer sinceCancel;
        onModal([&](QWidget *w) {
            ASSERT_TRUE(w);
            title = w->windowTitle();
            QTest::qWait(100); // let the work report
            count = w->findChild<QLabel *>("Count")->text();
            sinceCancel.start();
            cancel(w);
        });
        WindowWorkProgress progress;
        EXPECT_FALSE(progress.run(nullptr, QStringLiteral("サブディレクトリを含めて追加"), untilCancelled));
        EXPECT_LT(sinceCancel.elapsed(), 500);
        EXPECT_EQ(title, QStringLiteral("サブディレクトリを含めて追加"));
        EXPECT_TRUE(count.endsWith(QStringLiteral(" 件のファイルが見つかりました。"))) << count.toStdString();
        EXPECT_NE(count, filesFoundText(0));
    }
}

TEST(ProgressWindow, FinishedWorkClosesTheWindow)
{
    bool ran = false;
    WindowWorkProgress progress;
    const bool finished = progress.run(nullptr, "t", [&](const std::atomic<bool> &, const TreeWalkProgress &report) {
        report(3, QStringLiteral("/a/"));
        ran = true;
    });
    EXPECT_TRUE(finished);
    EXPECT_TRUE(ran);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace qn
