#include "UiHarness.h"

#include "ui/Messages.h"

#include <QDialogButtonBox>
#include <QProxyStyle>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

// GNOME's button order (Cancel left of OK), the default desktop of Debian.
class GnomeStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::GnomeLayout;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

struct SeenBox {
    QString title;
    QString text;
    QStringList buttons; // left to right
    QString defaultButton;
    bool modal = false;
};

// Opens the real box, looks at it, then answers with `answer` (a key or a click).
bool showBox(bool withCancel, const QString &text, const QString &title, SeenBox &seen,
             const std::function<void(QWidget *)> &answer)
{
    onModal([&](QWidget *w) {
        ASSERT_TRUE(w);
        seen.title = w->windowTitle();
        seen.modal = w->isModal();
        seen.text = w->findChild<QLabel *>("Text")->text();
        QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
        std::sort(buttons.begin(), buttons.end(),
                  [](QPushButton *a, QPushButton *b) { return a->geometry().x() < b->geometry().x(); });
        for (QPushButton *b : buttons) {
            seen.buttons.append(b->text());
            if (b->isDefault())
                seen.defaultButton = b->text();
        }
        answer(w);
    });
    DialogMessages messages;
    if (!withCancel) {
        messages.inform(text, title);
        return true;
    }
    return messages.confirm(text, title);
}

TEST(MessageBox, OkFirstAndDefaultOnEveryDesktop)
{
    const QString before = QApplication::style()->name();
    QApplication::setStyle(new GnomeStyle);
    SeenBox seen;
    const bool ok = showBox(true, QStringLiteral("プログラムを終了します。\rよろしいですか？"), QStringLiteral("終了"), seen,
                            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
    QApplication::setStyle(before);
    EXPECT_TRUE(ok);
    EXPECT_EQ(seen.buttons, (QStringList{"OK", "キャンセル"}));
    EXPECT_EQ(seen.defaultButton, "OK");
    EXPECT_EQ(seen.title, QStringLiteral("終了"));
    EXPECT_EQ(seen.text, QStringLiteral("プログラムを終了します。\nよろしいですか？"));
    EXPECT_TRUE(seen.modal);
}

TEST(MessageBox, EscapeTheCloseBoxAndCancelAllSayCancel)
{
    const std::function<void(QWidget *)> answers[] = {
        [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); },
        [](QWidget *w) { w->close(); },
        [](QWidget *w) { QTest::mouseClick(w->findChild<QPushButton *>("Cancel"), Qt::LeftButton); },
    };
    for (const auto &answer : answers) {
        SeenBox seen;
        EXPECT_FALSE(showBox(true, "x", QString(), seen, answer));
    }
    SeenBox seen;
    EXPECT_TRUE(showBox(true, "x", QString(), seen,
                        [](QWidget *w) { QTest::mouseClick(w->findChild<QPushButton *>("OK"), Qt::LeftButton); }));
}

TEST(MessageBox, OkAloneCarriesTheProgramTitle)
{
    SeenBox seen;
    showBox(false, QStringLiteral("ファイルがリストにありません。\r削除できません。"), QString(), seen,
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(seen.title, "Quilnaver");
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.defaultButton, "OK");
    EXPECT_EQ(seen.text, QStringLiteral("ファイルがリストにありません。\n削除できません。"));
}

} // namespace
} // namespace qn
