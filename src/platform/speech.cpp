#include "platform/speech.h"

#include "platform/form.h"
#include "platform/qt_conversions_p.h"
#include "platform/settings.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QShortcut>
#include <QTimer>

#include <cstdio>

namespace platform {

// A status bar of the window that nobody sees: it holds the notification a screen reader
// speaks. Notifications inside a status bar are spoken without their role's name.
class VoiceBarWidget : public QWidget
{
public:
    using QWidget::QWidget;

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

class Speech::Observer : public QAccessible::ActivationObserver
{
public:
    explicit Observer(Speech& speech)
        : speech_(speech)
    {
        QAccessible::installActivationObserver(this);
    }
    ~Observer() override { QAccessible::removeActivationObserver(this); }
    void accessibilityActiveChanged(bool active) override
    {
        if (active)
            speech_.screenReaderConnected();
    }

private:
    Speech& speech_;
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

QAccessibleInterface* speechAccessible(const QString&, QObject* object)
{
    if (auto* notice = dynamic_cast<NoticeWidget*>(object))
        return new NoticeAccessible(notice);
    if (auto* bar = dynamic_cast<VoiceBarWidget*>(object))
        return new QAccessibleWidget(bar, QAccessible::StatusBar, QStringLiteral("お知らせ"));
    return nullptr;
}

QWidget* hiddenChild(QWidget* w)
{
    w->setGeometry(0, 0, 0, 0);
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}

void cut(Text& text)
{
    if (text.size() > Speech::MaxChars)
        text.resize(Speech::MaxChars);
}
} // namespace

Speech::Speech(Form& form)
    : form_(form)
{
    report = [](const std::string& message) {
        std::fprintf(stderr, "pelirra: %s\n", message.c_str());
    };
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        QObject::connect(app, &QApplication::focusChanged, form.widget(), [this] { focusMoved(); });
    observer_ = std::make_unique<Observer>(*this);
}

Speech::~Speech()
{
    observer_.reset();
    voice_.reset();
    delete timer_;
}

bool Speech::screenReader() const
{
    return QAccessible::isActive();
}

bool Speech::listening() const
{
    return selfVoicing_ || decideAtFirstUtterance_ || heard || screenReader();
}

void Speech::say(TextView text, Mode mode)
{
    if (text.empty())
        return;
    if (!listening()) {
        // Kept only briefly, for a screen reader that is connecting right now.
        if (!unheard()) {
            pending_.clear();
            unheardSince_ = std::chrono::steady_clock::now();
        }
    } else {
        unheardSince_.reset();
    }
    if (mode == Mode::Replace || pending_.empty()) {
        pending_ = text;
    } else {
        pending_ += u'\n';
        pending_ += text;
    }
    cut(pending_);
    if (!unheardSince_)
        startTimer(mode == Mode::Queue);
}

bool Speech::unheard() const
{
    return unheardSince_ && std::chrono::steady_clock::now() - *unheardSince_ < LateListener;
}

void Speech::screenReaderConnected()
{
    if (!unheardSince_)
        return;
    if (unheard() && !pending_.empty())
        startTimer(true);
    else
        pending_.clear();
    unheardSince_.reset();
}

void Speech::focusMoved()
{
    if (!listening())
        return;
    focusMoved_ = true;
    startTimer(false);
}

void Speech::startTimer(bool restart)
{
    if (!timer_) {
        timer_ = new QTimer;
        timer_->setSingleShot(true);
        timer_->setInterval(QuietMs);
        QObject::connect(timer_, &QTimer::timeout, [this] { flush(); });
    }
    if (restart || !timer_->isActive())
        timer_->start();
}

void Speech::flush()
{
    if (timer_)
        timer_->stop();
    if (decideAtFirstUtterance_) {
        // Remembered on: the voice speaks unless a screen reader already does.
        const bool on = *decideAtFirstUtterance_ && !screenReader();
        decideAtFirstUtterance_.reset();
        selfVoicing_ = on;
        onlyRemembered_ = on;
    } else if (onlyRemembered_ && selfVoicing_ && screenReader()) {
        selfVoicing_ = false; // a screen reader started: nothing is said twice
        onlyRemembered_ = false;
    }

    Text text = std::move(pending_);
    pending_.clear();
    const bool moved = focusMoved_;
    focusMoved_ = false;
    // Where the focus went in the same moment is said after it; a screen reader says a mere
    // move of the focus itself.
    if (moved && (selfVoicing_ || !text.empty())) {
        const Text focus = focusDescription();
        if (!focus.empty())
            text += (text.empty() ? u"" : u"\n") + focus;
    }
    if (text.empty())
        return;
    cut(text);
    if (heard)
        heard(text);
    if (selfVoicing_) {
        if (Voice* v = voice())
            v->say(text);
    } else if (screenReader()) {
        notify(text);
    }
}

Text Speech::focusDescription() const
{
    QWidget* w = QApplication::focusWidget();
    if (!w || w->window() != form_.widget())
        return {};
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    // The text window while reading: the lines themselves say where the player is.
    if (!iface || iface->role() == QAccessible::StaticText)
        return {};
    QString said = iface->text(QAccessible::Name);
    switch (iface->role()) {
    case QAccessible::PushButton:
        said += QStringLiteral("、ボタン");
        break;
    case QAccessible::List:
        said += QStringLiteral("、リスト");
        break;
    default:
        break;
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
        const QModelIndex current = view->currentIndex();
        if (current.isValid()) {
            QString item = current.data(Qt::AccessibleTextRole).toString();
            if (item.isEmpty())
                item = current.data(Qt::DisplayRole).toString();
            said += QStringLiteral("、") + item;
        }
    }
    return said.toStdU16String();
}

void Speech::notify(const Text& text)
{
    if (!notice_) {
        static const bool installed = [] {
            QAccessible::installFactory(speechAccessible);
            return true;
        }();
        (void)installed;
        bar_ = hiddenChild(new VoiceBarWidget(form_.widget()));
        bar_->lower();
        bar_->show();
        notice_ = static_cast<NoticeWidget*>(hiddenChild(new NoticeWidget(bar_)));
    }
    // Shown once per utterance: the screen reader speaks a notification as it appears.
    notice_->hide();
    notice_->text = toQ(text);
    notice_->show();
}

Voice* Speech::voice()
{
    if (voice_ || voiceFailed_)
        return voice_.get();
    auto onUnavailable = [this](const std::u16string& why) { unavailable(why); };
    if (makeVoice) {
        voice_ = makeVoice(onUnavailable);
    } else {
        // Beside the program (the build, a portable copy), else where an installed program's
        // libraries are (PREFIX/games/pelirra and PREFIX/lib/pelirra/).
        const QString folder = QCoreApplication::applicationDirPath();
        QString path = folder + u'/' + QString::fromLatin1(VoiceModuleName);
        if (!QFileInfo::exists(path)) {
            const QString installed = folder + QStringLiteral("/../lib/pelirra/")
                + QString::fromLatin1(VoiceModuleName);
            if (QFileInfo::exists(installed))
                path = installed;
        }
        QLibrary module(path);
        module.setLoadHints(QLibrary::PreventUnloadHint);
        auto make = module.load() ? reinterpret_cast<MakeVoice>(module.resolve(MakeVoiceSymbol))
                                  : nullptr;
        if (make)
            voice_.reset(make(onUnavailable));
        else
            unavailable(u"the voice module " + path.toStdU16String() + u" could not be loaded: "
                + module.errorString().toStdU16String());
    }
    voiceFailed_ = !voice_;
    return voice_.get();
}

void Speech::unavailable(const std::u16string& why)
{
    if (toldUnavailable_)
        return;
    toldUnavailable_ = true;
    report("no voice is available (" + toUtf8(why) + "); the game goes on without it");
}

void Speech::setSelfVoicing(bool on, bool remember)
{
    if (on != selfVoicing_) {
        pending_.clear();
        focusMoved_ = false;
        if (!on) {
            if (heard)
                heard(Text(VoiceOff));
            if (Voice* v = voice())
                v->say(Text(VoiceOff));
        }
        selfVoicing_ = on;
        if (on) {
            if (heard)
                heard(Text(VoiceOn));
            if (Voice* v = voice())
                v->say(Text(VoiceOn));
        }
    }
    onlyRemembered_ = false;
    decideAtFirstUtterance_.reset();
    if (remember) {
        if (settingsFile.empty())
            settingsFile = settings::file();
        const std::string problem = settings::setSelfVoicing(settingsFile, on);
        if (!problem.empty())
            report("the voice setting could not be saved: " + problem);
    }
}

void Speech::toggleSelfVoicing()
{
    setSelfVoicing(!selfVoicing_, true);
}

void Speech::start(bool onCommandLine)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_V), form_.widget());
    QObject::connect(key, &QShortcut::activated, form_.widget(), [this] { toggleSelfVoicing(); });
    if (onCommandLine) {
        selfVoicing_ = true;
        return;
    }
    if (settingsFile.empty())
        settingsFile = settings::file();
    if (settings::selfVoicing(settingsFile).value_or(false))
        decideAtFirstUtterance_ = true;
}

} // namespace platform
