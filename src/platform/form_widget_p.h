// The Qt widget behind the form. Private to the platform layer.
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
    // Keys, the wheel and the focus of the controls on the form.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Form* form_;
};

} // namespace platform
