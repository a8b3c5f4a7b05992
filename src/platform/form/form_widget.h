// The toolkit's widget of the form: it passes the window's events to the form, and the keys, the
// wheel and the focus of every control (it filters their events). Private to the platform.
#pragma once

#include <QWidget>

namespace platform {

class Form;

class FormWidget : public QWidget
{
public:
    explicit FormWidget(Form* form);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Form* form_;
};

} // namespace platform
