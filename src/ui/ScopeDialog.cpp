#include "ui/ScopeDialog.h"

#include "platform/FileSystem.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qn {

namespace {

const QString Title = QStringLiteral("照合の範囲");
const QString FoldersLabel = QStringLiteral("新規のファイルを探すフォルダー（1 行に 1 つ）");
const QString SubdirectoriesLabel = QStringLiteral("サブディレクトリも照合する");
const QString OkCaption = QStringLiteral("OK");
const QString CancelCaption = QStringLiteral("キャンセル");

} // namespace

QString scopeFoldersText(const QStringList &folders)
{
    QStringList lines;
    for (const QString &f : folders)
        lines.append(nativePath(f));
    return lines.join(QLatin1Char('\n'));
}

QStringList scopeFoldersFromText(const QString &text)
{
    QStringList folders;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        // A pasted line's CR is no part of a name; spaces may be.
        const QString kept = line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
        if (kept.trimmed().isEmpty())
            continue;
        QString folder = fromNativePath(kept);
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

ScopeDialog::ScopeDialog(const CheckScope &scope, QWidget *parent)
    : QDialog(parent)
    , m_proposed(scope)
{
    setObjectName(QStringLiteral("Form_Scope"));
    setWindowTitle(Title);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(FoldersLabel, this);
    m_folders = new QPlainTextEdit(scopeFoldersText(scope.paths()), this);
    m_folders->setObjectName(QStringLiteral("ScopeFolders"));
    m_folders->setAccessibleName(FoldersLabel);
    m_folders->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_folders->setTabChangesFocus(true);
    m_folders->setMinimumSize(420, 120);
    label->setBuddy(m_folders);
    m_subdirectories = new QCheckBox(SubdirectoriesLabel, this);
    m_subdirectories->setObjectName(QStringLiteral("ScopeSubdirectories"));
    const auto withSubdirectories = [](const ScopeFolder &f) { return f.subdirectories; };
    const bool all = std::all_of(scope.folders.begin(), scope.folders.end(), withSubdirectories);
    const bool none = std::none_of(scope.folders.begin(), scope.folders.end(), withSubdirectories);
    if (all || none) {
        m_subdirectories->setChecked(all && !none);
    } else {
        m_subdirectories->setTristate(true);
        m_subdirectories->setCheckState(Qt::PartiallyChecked);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(OkCaption);
    buttons->button(QDialogButtonBox::Cancel)->setText(CancelCaption);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(m_folders, 1);
    layout->addWidget(m_subdirectories);
    layout->addWidget(buttons);
}

CheckScope ScopeDialog::scope() const
{
    const Qt::CheckState state = m_subdirectories->checkState();
    CheckScope scope(scopeFoldersFromText(m_folders->toPlainText()), state == Qt::Checked);
    if (state == Qt::PartiallyChecked) {
        for (ScopeFolder &f : scope.folders) {
            for (const ScopeFolder &proposed : m_proposed.folders) {
                if (proposed.path == f.path)
                    f.subdirectories = proposed.subdirectories;
            }
        }
    }
    return scope;
}

} // namespace qn
