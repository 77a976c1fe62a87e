#include "ui/GestureRouter.h"

#include "platform/FileSystem.h"
#include "ui/DirList.h"
#include "ui/FileList.h"
#include "ui/GridView.h"
#include "ui/ListCommands.h"
#include "ui/MainClient.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace qn {

GestureRouter::GestureRouter(MainClient &client, ListCommands &commands, QMenu *dirMenu, QMenu *fileMenu,
                             QMenu *gridMenu)
    : m_client(client)
    , m_commands(commands)
    , m_dirMenu(dirMenu)
    , m_fileMenu(fileMenu)
    , m_gridMenu(gridMenu)
{
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(client.dir),
                                    static_cast<QAbstractItemView *>(client.file),
                                    static_cast<QAbstractItemView *>(client.grid),
                                    static_cast<QAbstractItemView *>(client.grid->horizontalHeader())})
        view->viewport()->installEventFilter(this);
    client.file->installEventFilter(this);
    client.grid->installEventFilter(this);
}

bool GestureRouter::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *gridRows = m_client.grid->viewport();
    QWidget *fileRows = m_client.file->viewport();
    const bool overGrid = watched == gridRows || watched == m_client.grid->horizontalHeader()->viewport();
    // The pop-up menus open when the right button goes down; the lists keep
    // their selection, which the commands then act on.
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            QMenu *menu = nullptr;
            if (watched == m_client.dir->viewport())
                menu = m_dirMenu;
            else if (watched == fileRows)
                menu = m_fileMenu;
            else if (overGrid)
                menu = m_gridMenu;
            if (menu) {
                menu->popup(mouse->globalPosition().toPoint());
                return true;
            }
        }
    }
    // A double-click over the rows or the empty space below them removes;
    // the first click has already made its row current. Over the titles a
    // click sorts and a double-click on a border fits the column, as usual.
    if (event->type() == QEvent::MouseButtonDblClick && watched == gridRows
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        m_commands.DeleteSelectedEntry();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (watched == m_client.file && enter) {
            m_commands.AddSelectedFile();
            return true;
        }
        if (watched == m_client.grid && key == Qt::Key_Delete) {
            m_commands.DeleteSelectedEntry();
            return true;
        }
    }
    // Files and folders dropped from a file manager onto the grid or File1.
    const bool dropTarget = watched == gridRows || watched == fileRows;
    if (dropTarget && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDropEvent *>(event);
        if (!droppedPaths(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    if (dropTarget && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = droppedPaths(drop->mimeData());
        if (!paths.isEmpty()) {
            drop->acceptProposedAction();
            // The adding (and its closing message) comes after the drop has
            // returned, so the file manager it came from is not held.
            QMetaObject::invokeMethod(
                this, [this, paths] { m_commands.AddDroppedPaths(paths); }, Qt::QueuedConnection);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QStringList GestureRouter::droppedPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        const QString path = localFileOf(url); // anything else is ignored
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

} // namespace qn
