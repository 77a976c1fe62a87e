#pragma once

#include "catalogue/Catalogue.h"
#include "ui/CatalogueResultModel.h"

#include <QHash>
#include <QList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QThread;

namespace qn {

class Messages;
class SaveFileChooser;

// What the search window asks of the main window.
struct CatalogueWindowHooks {
    std::function<void(const std::vector<CatalogueHit> &)> addToList;
    // Opens the volume as the list; false when the user kept the old list.
    std::function<bool(const QString &catalogue, qint64 volume, const QString &name)> openVolume;
    std::function<void(const QRect &)> saveGeometry;
    // A name from the user (title, prompt, prefilled), or nothing.
    std::function<std::optional<QString>(const QString &, const QString &, const QString &)> askName;
    // A folder from the user (title, the folder to start in), or nothing.
    std::function<std::optional<QString>(const QString &, const QString &)> askFolder;
};

// The search window of one catalogue: the results follow the typing; each
// search runs on a thread of its own and the next key cancels it.
class CatalogueWindow : public QWidget {
    Q_OBJECT
public:
    CatalogueWindow(const QString &path, Messages &messages, SaveFileChooser &chooser, CatalogueWindowHooks hooks,
                    QWidget *parent = nullptr);
    ~CatalogueWindow() override;

    QString path() const { return m_path; }
    // Whether a search is still running (for the tests).
    bool searching() const { return !m_threads.isEmpty(); }
    const CatalogueResultModel &results() const { return m_model; }

public slots:
    void startSearch();
    void reloadVolumes();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showResult(const CatalogueResult &result);
    std::vector<int> selectedRows() const;
    std::vector<qint64> checkedVolumes() const;
    qint64 currentVolume() const;
    void removeVolume();
    void renameVolume();
    void moveVolume();
    void openVolume();
    void addToList();
    void copyRows();
    void saveCsv();

    QString m_path;
    Messages &m_messages;
    SaveFileChooser &m_chooser;
    CatalogueWindowHooks m_hooks;
    std::vector<VolumeInfo> m_volumeInfo;
    QLineEdit *m_search = nullptr;
    QLineEdit *m_minSize = nullptr;
    QLineEdit *m_maxSize = nullptr;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QTableWidget *m_volumes = nullptr;
    QTableView *m_grid = nullptr;
    QLabel *m_count = nullptr;
    CatalogueResultModel m_model;
    QList<QThread *> m_threads;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    quint64 m_generation = 0;
};

} // namespace qn
