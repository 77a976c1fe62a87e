#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace qn {

// The program's own help viewer: the help file with its contents and an
// index of its topics.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Opens helpFile; nullptr when it cannot be read.
    static HelpWindow *open(const QString &helpFile, QWidget *parent);

    QStringList contents() const;
    QStringList index() const;
    void showTopic(const QString &anchor);
    // The anchor of the topic shown last.
    QString shownTopic() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit HelpWindow(QWidget *parent);
    void load(const QString &html);
    void filterIndex(const QString &text);

    QListWidget *m_contents = nullptr;
    QListWidget *m_index = nullptr;
    QLineEdit *m_indexFilter = nullptr;
    QTextBrowser *m_browser = nullptr;
    QString m_shownTopic;
};

} // namespace qn
