#include "UiHarness.h"

#include "platform/Threads.h"
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

// Work stuck in a system call that never looks at the cancel flag: Cancel
// closes the window at once all the same, and the work ends later on its own.
TEST(ProgressWindow, CancelDoesNotWaitForStuckWork)
{
    const auto release = std::make_shared<std::atomic<bool>>(false);
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    onModal([](QWidget *w) {
        ASSERT_TRUE(w);
        QTest::mouseClick(w->findChild<QPushButton *>("Cancel"), Qt::LeftButton);
    });
    WindowWorkProgress progress;
    const bool finished = progress.run(nullptr, "t", [release, ended](const std::atomic<bool> &, const TreeWalkProgress &report) {
        while (!*release) {
            report(1, QStringLiteral("/stuck/"));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        *ended = true;
    });
    EXPECT_FALSE(finished);
    EXPECT_FALSE(*ended);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    *release = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended->load(); }, 5000));
    QTest::qWait(20); // its last progress report finds no window
}

// With no thread to be had, the work runs all the same.
TEST(ProgressWindow, NoThreadToBeHadRunsTheWorkHere)
{
    bool ran = false;
    setThreadStartHook([] { return false; });
    WindowWorkProgress progress;
    const bool finished = progress.run(nullptr, "t", [&](const std::atomic<bool> &, const TreeWalkProgress &) { ran = true; });
    setThreadStartHook({});
    EXPECT_TRUE(finished);
    EXPECT_TRUE(ran);
}

} // namespace
} // namespace qn
