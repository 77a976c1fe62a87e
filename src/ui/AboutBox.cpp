#include "ui/AboutBox.h"

#include "ui/Fonts.h"
#include "ui/MainWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace qn {

namespace {

QLabel *label(QWidget *parent, const char *name, const QRect &geometry, const QString &text, qreal points)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setFont(japaneseGothic(points));
    return l;
}

} // namespace

AboutBox::AboutBox(const std::function<void()> &beep, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Ver"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setAccessibleName(QStringLiteral("バージョン情報"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/quilnaver.xpm")));
    setFixedSize(twips(4755), twips(2970));

    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twipsRect(120, 240, 4335, 2055));
    frame->setAccessibleName(QStringLiteral("Quilnaver"));

    auto *picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setGeometry(twipsRect(240, 360, 1335, 1455));
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/about.xpm")));
    picture->setAlignment(Qt::AlignCenter);
    picture->setToolTip(QStringLiteral("Quilnaver"));
    picture->setAccessibleName(QStringLiteral("Quilnaver"));

    auto *title = label(frame, "Label1", twipsRect(1800, 480, 2175, 375), QStringLiteral("Quilnaver"), 14.25);
    auto *version = label(frame, "Label2", twipsRect(1920, 960, 1695, 255), QString(), 11.25);
    auto *credit = label(frame, "Label3", twipsRect(1800, 1320, 2175, 255),
                         QStringLiteral("リスト作成ツール"), 11.25);
    title->setAccessibleName(title->text());
    credit->setAccessibleName(credit->text());

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(twipsRect(3000, 2400, 1455, 375));
    ok->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(ok, title);

    version->setText(QStringLiteral("Version 1.0.0"));
    version->setAccessibleName(version->text());
    if (beep)
        beep();
}

} // namespace qn
