#include "platform/form/form_widget.h"

#include "platform/form/form.h"

#include <QCloseEvent>

namespace platform {

FormWidget::FormWidget(Form* form)
    : form_(form)
{
    setAutoFillBackground(true);
}

void FormWidget::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    form_->qtResized(width(), height());
}

void FormWidget::moveEvent(QMoveEvent* e)
{
    QWidget::moveEvent(e);
    form_->qtFrameMayHaveChanged();
}

void FormWidget::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    form_->qtFrameMayHaveChanged();
    if (!e->spontaneous())
        form_->qtShown();
}

void FormWidget::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        form_->qtStateChanged();
    else if (e->type() == QEvent::ActivationChange && isActiveWindow())
        form_->qtActivated();
}

void FormWidget::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    form_->qtPainted();
}

void FormWidget::closeEvent(QCloseEvent* e)
{
    form_->qtClosing();
    e->accept();
}

void FormWidget::keyPressEvent(QKeyEvent* e)
{
    if (!form_->keyboard_.keyPressed(this, e))
        QWidget::keyPressEvent(e);
}

bool FormWidget::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress:
        return form_->keyboard_.keyPressed(watched, static_cast<QKeyEvent*>(e));
    case QEvent::Wheel:
        return form_->keyboard_.wheelTurned(watched, static_cast<QWheelEvent*>(e));
    case QEvent::FocusIn:
        return form_->keyboard_.focusArrived(watched, static_cast<QFocusEvent*>(e)->reason());
    default:
        return false;
    }
}

} // namespace platform
