#pragma once

#include <QObject>
#include <QStringList>

class QMenu;
class QMimeData;

namespace qn {

class ListCommands;
class MainClient;

// What the mouse and the keys do over the lists and the grid besides what
// the views do themselves: the pop-up menus, a double-click or 削除 that
// removes, Enter in File1, and files dropped from a file manager.
class GestureRouter : public QObject {
    Q_OBJECT
public:
    // The menus open over Dir1, File1 and the grid, in this order. The
    // router goes before the controls it watches.
    GestureRouter(MainClient &client, ListCommands &commands, QMenu *dirMenu, QMenu *fileMenu, QMenu *gridMenu);

    // The local files and folders a drag carries; anything else is ignored.
    static QStringList droppedPaths(const QMimeData *mime);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainClient &m_client;
    ListCommands &m_commands;
    QMenu *m_dirMenu;
    QMenu *m_fileMenu;
    QMenu *m_gridMenu;
};

} // namespace qn
