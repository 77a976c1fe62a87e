#pragma once

#include <QDialog>

class QButtonGroup;
class QLabel;
class QRadioButton;

namespace qn {

class SaveFileChooser;
struct Settings;

// Form_Option: shows and edits four settings. Every change takes effect at
// once; "設定" only closes the dialog.
class OptionDialog : public QDialog {
    Q_OBJECT
public:
    OptionDialog(Settings &settings, SaveFileChooser &chooser, QWidget *parent = nullptr);

    void RefreshOptionControls();
    void Browse();
    void option1Clicked(int index);
    void option2Clicked(int index);

    // The file name the save-file dialog starts with.
    QString chooserFileName() const { return m_chooserFileName; }

signals:
    void sizeUnitChanged();
    void saveOptionChanged();

private:
    Settings &m_settings;
    SaveFileChooser &m_chooser;
    QLabel *m_saveDir = nullptr;
    QLabel *m_saveName = nullptr;
    QRadioButton *m_option1[4] = {};
    QRadioButton *m_option2[2] = {};
    QString m_chooserFileName = QStringLiteral("list.txt");
};

} // namespace qn
