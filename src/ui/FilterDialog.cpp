#include "ui/FilterDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qn {

namespace {

const QString Caption = QStringLiteral("フィルター...");
const QString Title = QStringLiteral("フィルター");
const QString IncludeLabel = QStringLiteral("追加するファイル");
const QString ExcludeLabel = QStringLiteral("除外するファイル");
const QString ExcludeDirectoriesLabel = QStringLiteral("除外するディレクトリ");
const QString HiddenLabel = QStringLiteral("隠しファイルも追加する");
const QString Hint = QStringLiteral("「;」で区切って複数指定できます。（例：*.jpg;*.png）");
const QString ExamplesButton = QStringLiteral("例を追加");
const QString Active = QStringLiteral("フィルター適用中");
const QString OkCaption = QStringLiteral("OK");
const QString CancelCaption = QStringLiteral("キャンセル");

const QString ExcludeExamples = QStringLiteral("Thumbs.db;desktop.ini;.DS_Store;*.tmp");
const QString ExcludeDirectoriesExamples =
    QStringLiteral(".git;node_modules;@eaDir;#snapshot;$RECYCLE.BIN;System Volume Information");

QLineEdit *patternEdit(QWidget *parent, const char *name, const QString &text, const QString &label)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(label);
    edit->setMinimumWidth(320);
    return edit;
}

// Appends the examples the edit does not hold yet.
void addExamples(QLineEdit *edit, const QString &examples)
{
    QStringList patterns = splitPatterns(edit->text());
    for (const QString &example : splitPatterns(examples)) {
        if (!patterns.contains(example, Qt::CaseInsensitive))
            patterns.append(example);
    }
    edit->setText(patterns.join(QLatin1Char(';')));
}

} // namespace

QString filterCaption() { return Caption; }
QString filterActiveText() { return Active; }

FilterDialog::FilterDialog(const FilterPatterns &patterns, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Filter"));
    setWindowTitle(Title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_include = patternEdit(this, "Text_Include", patterns.include, IncludeLabel);
    m_exclude = patternEdit(this, "Text_Exclude", patterns.exclude, ExcludeLabel);
    m_excludeDirectories =
        patternEdit(this, "Text_ExcludeDirectories", patterns.excludeDirectories, ExcludeDirectoriesLabel);
    m_hidden = new QCheckBox(HiddenLabel, this);
    m_hidden->setObjectName(QStringLiteral("Check_Hidden"));
    m_hidden->setChecked(patterns.hidden);

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(IncludeLabel, this), 0, 0);
    layout->addWidget(m_include, 0, 1);
    layout->addWidget(new QLabel(ExcludeLabel, this), 1, 0);
    layout->addWidget(m_exclude, 1, 1);
    layout->addWidget(new QLabel(ExcludeDirectoriesLabel, this), 2, 0);
    layout->addWidget(m_excludeDirectories, 2, 1);
    const std::pair<QLineEdit *, QString> examples[] = {{m_exclude, ExcludeExamples},
                                                        {m_excludeDirectories, ExcludeDirectoriesExamples}};
    for (const auto &[edit, text] : examples) {
        auto *button = new QPushButton(ExamplesButton, this);
        button->setObjectName(edit->objectName() + QStringLiteral("Examples"));
        button->setAutoDefault(false);
        button->setToolTip(text);
        connect(button, &QPushButton::clicked, this, [edit = edit, text = text] { addExamples(edit, text); });
        layout->addWidget(button, edit == m_exclude ? 1 : 2, 2);
    }
    auto *hint = new QLabel(Hint, this);
    hint->setObjectName(QStringLiteral("Label_Hint"));
    layout->addWidget(hint, 3, 1, 1, 2);
    layout->addWidget(m_hidden, 4, 1, 1, 2);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(OkCaption, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("Command_OK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(CancelCaption, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Command_Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 5, 0, 1, 3);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

FilterPatterns FilterDialog::patterns() const
{
    FilterPatterns p;
    p.include = m_include->text().trimmed();
    p.exclude = m_exclude->text().trimmed();
    p.excludeDirectories = m_excludeDirectories->text().trimmed();
    p.hidden = m_hidden->isChecked();
    return p;
}

} // namespace qn
