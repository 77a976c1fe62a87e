#include "ui/OptionDialog.h"

#include "platform/FileSystem.h"
#include "settings/Settings.h"
#include "ui/Fonts.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <qdrawutil.h>

namespace qn {

namespace {

const QString ChooserTitle = QStringLiteral("保存場所、ファイル名の設定");
const QString ChooserFilter = QStringLiteral("*.txt");

// A frame whose title stands on its top border, as the frames were laid out
// for. Styles that draw the title above the border push the border down onto
// the first option button of each frame and cut it; here everything below
// the title is the frame's inside.
class Frame : public QGroupBox {
public:
    Frame(const QString &title, QWidget *parent)
        : QGroupBox(title, parent)
    {
        keepMargins();
    }

protected:
    void changeEvent(QEvent *event) override
    {
        QGroupBox::changeEvent(event); // sets the style's margins again
        keepMargins();
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        // An etched line, the title over it; the style's own frame would be
        // drawn below the title again.
        qDrawShadeRect(&painter, rect().adjusted(0, fontMetrics().height() / 2, 0, 0), palette(), true, 1, 0);
        const QRect caption(TitleIndent, 0, fontMetrics().horizontalAdvance(title()) + 4, fontMetrics().height());
        painter.fillRect(caption, palette().window());
        style()->drawItemText(&painter, caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                              title(), QPalette::WindowText);
    }

private:
    static constexpr int TitleIndent = 6;
    void keepMargins() { setContentsMargins(2, fontMetrics().height() + 1, 2, 2); }
};

template <class W>
W *make(QWidget *parent, const char *name, const QRect &geometry, const QString &caption, const QString &tooltip)
{
    auto *w = new W(caption, parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    if (!tooltip.isEmpty())
        w->setToolTip(tooltip);
    w->setAccessibleName(caption.isEmpty() ? tooltip : caption);
    return w;
}

} // namespace

OptionDialog::OptionDialog(Settings &settings, SaveFileChooser &chooser, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_chooser(chooser)
{
    setObjectName(QStringLiteral("Form_Option"));
    setWindowTitle(QStringLiteral("Option"));
    setAccessibleName(QStringLiteral("Option"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/quilnaver.xpm")));
    setFixedSize(twips(6420), twips(4860));
    // The captions were placed for the 9-point Japanese gothic of a Japanese
    // desktop; a Latin default font with its wider glyphs would clip them.
    setFont(japaneseGothic(9));

    auto *frame1 = make<Frame>(this, "Frame1", twipsRect(240, 240, 5295, 1095),
                                   QStringLiteral("リストファイルの作成・保存"),
                                   QStringLiteral("リストファイルの保存場所と、ファイル名を指定できます。"));
    auto *label1 = make<QLabel>(frame1, "Label1", twipsRect(120, 360, 735, 255), QStringLiteral("保存場所"),
                                QStringLiteral("ファイルの保存場所です。"));
    auto *label2 = make<QLabel>(frame1, "Label2", twipsRect(120, 720, 855, 255), QStringLiteral("ファイル名"),
                                QStringLiteral("リストファイルのファイル名です。"));
    m_saveDir = make<QLabel>(frame1, "SaveDir", twipsRect(1080, 360, 4095, 255), QString(), QString());
    m_saveName = make<QLabel>(frame1, "SaveName", twipsRect(1080, 720, 3135, 255), QString(), QString());
    m_saveDir->setAccessibleName(QStringLiteral("保存場所"));
    m_saveName->setAccessibleName(QStringLiteral("ファイル名"));
    auto *browse = make<QPushButton>(frame1, "Command1", twipsRect(4560, 600, 615, 375), QStringLiteral("参照"),
                                     QStringLiteral("既存のディレクトリを参照できます。"));

    auto *frame2 = make<Frame>(this, "Frame2", twipsRect(240, 1560, 1695, 1695), QStringLiteral("表示形態"),
                                   QStringLiteral("バイト数の表示形態をかえられます。"));
    const struct {
        QRect geometry;
        const char *caption;
        const char *tooltip;
    } units[4] = {
        {twipsRect(120, 240, 975, 255), "Bで表示", "バイトで表示します。"},
        {twipsRect(120, 600, 1215, 255), "KBで表示", "キロバイトで表示します。"},
        {twipsRect(120, 960, 1455, 255), "KB、MBで表示", "キロバイト、メガバイトを混ぜて表示します。"},
        {twipsRect(120, 1320, 735, 255), "混合", "すべての表示をサイズにあわせて使います。(推奨)"},
    };
    auto *group1 = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_option1[i] = make<QRadioButton>(frame2, "Option1", units[i].geometry, QString::fromUtf8(units[i].caption),
                                          QString::fromUtf8(units[i].tooltip));
        m_option1[i]->setProperty("index", i);
        group1->addButton(m_option1[i], i);
        connect(m_option1[i], &QRadioButton::clicked, this, [this, i] { option1Clicked(i); });
    }

    auto *frame3 = make<Frame>(this, "Frame3", twipsRect(240, 3480, 1695, 975), QStringLiteral("設定の保存"),
                                   QStringLiteral("設定を保存するかどうか選択できます。"));
    m_option2[0] = make<QRadioButton>(frame3, "Option2", twipsRect(120, 240, 1215, 255), QStringLiteral("保存する"),
                                      QStringLiteral("設定を保存します。(推奨)"));
    m_option2[1] = make<QRadioButton>(frame3, "Option2", twipsRect(120, 600, 1335, 255),
                                      QStringLiteral("保存しない"), QStringLiteral("設定を保存しません。"));
    auto *group2 = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        m_option2[i]->setProperty("index", i);
        group2->addButton(m_option2[i], i);
        connect(m_option2[i], &QRadioButton::clicked, this, [this, i] { option2Clicked(i); });
    }

    auto *close = make<QPushButton>(this, "Command2", twipsRect(5160, 4200, 1095, 375), QStringLiteral("設定"),
                                    QStringLiteral("メインに戻ります。"));
    connect(browse, &QPushButton::clicked, this, &OptionDialog::Browse);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    // Tab order as laid out.
    QWidget *order[] = {label1, label2, m_saveDir, m_saveName, browse, close, m_option1[0], m_option1[1],
                        m_option1[2], m_option1[3], m_option2[0], m_option2[1]};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    close->setDefault(true);
}

void OptionDialog::RefreshOptionControls()
{
    m_saveDir->setText(displayName(nativePath(m_settings.SaveDirectory)));
    m_saveName->setText(displayName(m_settings.SaveFileName));
    m_chooserFileName = m_settings.SaveFileName;
    const int unit = m_settings.SizeUnit;
    if (unit >= 0 && unit < 4 && !m_option1[unit]->isChecked()) {
        m_option1[unit]->setChecked(true);
        option1Clicked(unit);
    }
    const int save = m_settings.SettingsSaveOption;
    if (save >= 0 && save < 2 && !m_option2[save]->isChecked()) {
        m_option2[save]->setChecked(true);
        option2Clicked(save);
    }
}

void OptionDialog::option1Clicked(int index)
{
    m_settings.SizeUnit = index;
    emit sizeUnitChanged();
}

void OptionDialog::option2Clicked(int index)
{
    m_settings.SettingsSaveOption = index;
    emit saveOptionChanged();
}

void OptionDialog::Browse()
{
    const std::optional<QString> chosen =
        m_chooser.choose(this, ChooserTitle, defaultListDirectory(), m_chooserFileName, ChooserFilter);
    if (!chosen || chosen->isEmpty())
        return;
    const QString path = *chosen;
    const qsizetype k = path.lastIndexOf(QLatin1Char('/')) + 1;
    m_settings.SaveDirectory = path.left(k);
    m_settings.SaveFileName = path.mid(k);
    RefreshOptionControls();
}

} // namespace qn
