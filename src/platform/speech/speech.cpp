#include "platform/speech/speech.h"

#include "platform/form/form.h"
#include "platform/module_file.h"
#include "platform/qt_conversions_p.h"
#include "platform/settings.h"
#include "platform/speech/notice.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTimer>

#include <cstdio>

namespace platform {

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
void cut(Text& text)
{
    if (text.size() > Speech::MaxChars)
        text.resize(Speech::MaxChars);
}
} // namespace

Speech::Speech(Form& form, SpeechWords words)
    : form_(form)
    , words_(std::move(words))
{
    report = [](const std::string& message) {
        std::fprintf(stderr, "pelirra: %s\n", message.c_str());
    };
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        QObject::connect(app, &QApplication::focusChanged, form.widget(), [this] { focusMoved(); });
    form.onFocusMoved([this] { focusMoved(); });
    observer_ = std::make_unique<Observer>(*this);
}

Speech::~Speech()
{
    form_.onFocusMoved({});
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
        if (!notice_)
            notice_ = std::make_unique<Notice>(form_.widget(), words_.notices);
        notice_->give(text);
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
    const QString separator = toQ(words_.separator);
    QString said = iface->text(QAccessible::Name);
    switch (iface->role()) {
    case QAccessible::PushButton:
        said += separator + toQ(words_.button);
        break;
    case QAccessible::List:
        said += separator + toQ(words_.list);
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
            said += separator + item;
        }
    }
    return said.toStdU16String();
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
        // A module cut short would end the program when the loader touched its missing part.
        const std::string problem
            = QFileInfo::exists(path) ? moduleProblem(QFile::encodeName(path).toStdString()) : "";
        auto make = problem.empty() && module.load()
            ? reinterpret_cast<MakeVoice>(module.resolve(MakeVoiceSymbol))
            : nullptr;
        if (make)
            voice_.reset(make(onUnavailable));
        else
            unavailable(u"the voice module " + path.toStdU16String() + u" could not be loaded: "
                + (problem.empty() ? module.errorString().toStdU16String()
                                   : QString::fromStdString(problem).toStdU16String()));
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
        if (!on)
            cue(words_.voiceOff);
        selfVoicing_ = on;
        if (on)
            cue(words_.voiceOn);
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

void Speech::cue(const Text& text)
{
    if (heard)
        heard(text);
    if (Voice* v = voice())
        v->say(text);
}

void Speech::toggleSelfVoicing()
{
    setSelfVoicing(!selfVoicing_, true);
}

void Speech::start(bool onCommandLine)
{
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
