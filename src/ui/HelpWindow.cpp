#include "ui/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QKeyEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qn {

namespace {
constexpr int AnchorRole = Qt::UserRole;
}

HelpWindow *HelpWindow::open(const QString &helpFile, QWidget *parent)
{
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return nullptr;

    // One help window at a time; a second request shows the first again.
    static QPointer<HelpWindow> shown;
    if (!shown) {
        shown = new HelpWindow(parent);
        shown->setAttribute(Qt::WA_DeleteOnClose);
    }
    shown->load(QString::fromUtf8(bytes));
    return shown;
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Quilnaver ヘルプ"));
    setAccessibleName(windowTitle());
    resize(720, 480);

    auto *tabs = new QTabWidget;
    m_contents = new QListWidget;
    m_contents->setObjectName(QStringLiteral("HelpContents"));
    tabs->addTab(m_contents, QStringLiteral("目次"));

    auto *indexPage = new QWidget;
    auto *indexLayout = new QVBoxLayout(indexPage);
    m_indexFilter = new QLineEdit;
    m_indexFilter->setObjectName(QStringLiteral("HelpIndexFilter"));
    m_indexFilter->setPlaceholderText(QStringLiteral("キーワードを入力"));
    m_index = new QListWidget;
    m_index->setObjectName(QStringLiteral("HelpIndex"));
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_index);
    tabs->addTab(indexPage, QStringLiteral("索引"));

    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("HelpText"));
    m_browser->setOpenExternalLinks(false);

    auto *splitter = new QSplitter;
    splitter->addWidget(tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 3);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    auto go = [this](QListWidgetItem *item) {
        if (item)
            showTopic(item->data(AnchorRole).toString());
    };
    connect(m_contents, &QListWidget::itemActivated, this, go);
    connect(m_contents, &QListWidget::itemClicked, this, go);
    connect(m_index, &QListWidget::itemActivated, this, go);
    connect(m_index, &QListWidget::itemClicked, this, go);
    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    // Enter in the keyword field opens the keyword found; Esc closes the window.
    connect(m_indexFilter, &QLineEdit::returnPressed, this, [this, go] { go(m_index->currentItem()); });
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::load(const QString &html)
{
    m_browser->setHtml(html);
    m_contents->clear();
    m_index->clear();

    // Topics are the h2 headings; index keywords come from each topic's
    // data-keywords attribute, and every heading is a keyword too.
    static const QRegularExpression topic(
        QStringLiteral("<h2 id=\"([^\"]+)\"(?: data-keywords=\"([^\"]*)\")?>(.*?)</h2>"));
    QList<QPair<QString, QString>> keywords;
    for (auto it = topic.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString anchor = m.captured(1);
        const QString title = m.captured(3);
        auto *item = new QListWidgetItem(title, m_contents);
        item->setData(AnchorRole, anchor);
        keywords.append({title, anchor});
        for (const QString &k : m.captured(2).split(QLatin1Char(','), Qt::SkipEmptyParts))
            keywords.append({k.trimmed(), anchor});
    }
    std::sort(keywords.begin(), keywords.end());
    // A heading that is also among its own keywords is listed once.
    keywords.erase(std::unique(keywords.begin(), keywords.end()), keywords.end());
    for (const auto &k : keywords) {
        auto *item = new QListWidgetItem(k.first, m_index);
        item->setData(AnchorRole, k.second);
    }
}

void HelpWindow::filterIndex(const QString &text)
{
    QListWidgetItem *first = nullptr;
    for (int i = 0; i < m_index->count(); ++i) {
        QListWidgetItem *item = m_index->item(i);
        const bool match = item->text().startsWith(text, Qt::CaseInsensitive);
        if (match && !first)
            first = item;
    }
    if (first) {
        m_index->setCurrentItem(first);
        m_index->scrollToItem(first, QAbstractItemView::PositionAtTop);
    }
}

QStringList HelpWindow::contents() const
{
    QStringList titles;
    for (int i = 0; i < m_contents->count(); ++i)
        titles.append(m_contents->item(i)->text());
    return titles;
}

QStringList HelpWindow::index() const
{
    QStringList words;
    for (int i = 0; i < m_index->count(); ++i)
        words.append(m_index->item(i)->text());
    return words;
}

QString HelpWindow::shownTopic() const
{
    return m_shownTopic;
}

void HelpWindow::showTopic(const QString &anchor)
{
    m_shownTopic = anchor;
    m_browser->scrollToAnchor(anchor);
}

} // namespace qn
