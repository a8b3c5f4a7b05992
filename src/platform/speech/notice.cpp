#include "platform/speech/notice.h"

#include "platform/qt_conversions_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace platform {

class VoiceBarWidget : public QWidget
{
public:
    VoiceBarWidget(QWidget* parent, QString name)
        : QWidget(parent)
        , name(std::move(name))
    { }
    QString name;

protected:
    void paintEvent(QPaintEvent*) override { }
};

class NoticeWidget : public QWidget
{
public:
    using QWidget::QWidget;
    QString text;

protected:
    void paintEvent(QPaintEvent*) override { }
};

namespace {

class NoticeAccessible : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(NoticeWidget* w)
        : QAccessibleWidget(w, QAccessible::Notification)
    { }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<NoticeWidget*>(widget())->text;
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* noticeAccessible(const QString&, QObject* object)
{
    if (auto* notice = dynamic_cast<NoticeWidget*>(object))
        return new NoticeAccessible(notice);
    if (auto* bar = dynamic_cast<VoiceBarWidget*>(object))
        return new QAccessibleWidget(bar, QAccessible::StatusBar, bar->name);
    return nullptr;
}

// The notifications the utterances take in turn.
constexpr int NoticeCount = 16;

template <class W> W* hiddenChild(W* w)
{
    w->setGeometry(0, 0, 0, 0);
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}
} // namespace

Notice::Notice(QWidget* window, Text barName)
    : window_(window)
    , barName_(std::move(barName))
{ }

void Notice::give(const Text& text)
{
    if (!notice_) {
        static const bool installed = [] {
            QAccessible::installFactory(noticeAccessible);
            return true;
        }();
        (void)installed;
        bar_ = hiddenChild(new VoiceBarWidget(window_, toQ(barName_)));
        bar_->lower();
        bar_->show();
        for (int i = 0; i < NoticeCount; ++i)
            hiddenChild(new NoticeWidget(bar_));
    }
    // A screen reader speaks a notification as it appears, and asks for its text when it gets to
    // it, which on a busy machine can be several utterances later. So the utterances take the
    // notifications in turn, and each keeps its text until its turn comes again.
    const QObjectList& notices = bar_->children();
    notice_
        = static_cast<NoticeWidget*>(notices.at((notices.indexOf(notice_) + 1) % notices.size()));
    notice_->hide();
    notice_->text = toQ(text);
    notice_->show();
}

} // namespace platform
