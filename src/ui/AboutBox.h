#pragma once

#include <QDialog>
#include <functional>

namespace qn {

// Ver: the about box. It beeps each time it is opened.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const std::function<void()> &beep, QWidget *parent = nullptr);
};

} // namespace qn
