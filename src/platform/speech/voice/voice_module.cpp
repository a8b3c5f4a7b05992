// The voice module: the game's own voice through Qt TextToSpeech and the desktop's speech
// service. The program loads it on first use, so a player who never turns the voice on never
// loads the speech libraries.
//
// Everything that talks to the speech service runs on the module's own thread: the game hands
// over the newest text and returns at once, so a slow, missing or vanished service never delays
// a click, a tick or the close step. Texts asked for while the thread is busy are not queued:
// only the newest is said.
#include "platform/speech/voice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QMutex>
#include <QTextToSpeech>
#include <QThread>

#include <csignal>

namespace {

using platform::VoiceUnavailable;

// The voice's state, shared by the event thread and the module's thread. When the thread does
// not end in time it is left running, and this with it, until the process ends.
class Core
{
public:
    explicit Core(VoiceUnavailable unavailable)
        : unavailable_(std::move(unavailable))
        , mainThread_(new QObject)
        , worker_(new QObject)
    {
        thread_.setObjectName(QStringLiteral("pelirra voice"));
        worker_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, worker_, [this] {
            delete speech_;
            speech_ = nullptr;
        });
        thread_.start(QThread::LowPriority);
    }

    // True when the thread ended and the core may be deleted.
    bool stop()
    {
        {
            QMutexLocker lock(&mutex_);
            closing_ = true;
        }
        delete mainThread_; // no report reaches the game any more
        thread_.quit();
        // A service that hangs must not hold up the end of the program.
        if (!thread_.wait(300))
            return false;
        delete worker_;
        return true;
    }

    void say(const QString& text)
    {
        QMutexLocker lock(&mutex_);
        next_ = text;
        if (posted_)
            return;
        posted_ = true;
        QMetaObject::invokeMethod(
            worker_, [this] { speakNewest(); }, Qt::QueuedConnection);
    }

private:
    // On the module's thread.
    void speakNewest()
    {
        QString text;
        {
            QMutexLocker lock(&mutex_);
            text = std::move(next_);
            next_.clear();
            posted_ = false;
        }
        if (!ready())
            return;
        speech_->stop();
        speech_->say(text);
    }

    bool ready()
    {
        if (speech_ && !broken_)
            return true;
        delete speech_;
        speech_ = nullptr;
        broken_ = false;
        // A service that is not there is asked again now and then, not for every text.
        if (lastFailure_.isValid() && !lastFailure_.hasExpired(RetryMs))
            return false;
        lastFailure_.start();
        const QStringList engines = QTextToSpeech::availableEngines();
        if (engines.isEmpty()) {
            tell(QStringLiteral("no speech engine is installed (qt6-speech-speechd-plugin)"));
            return false;
        }
        speech_ = new QTextToSpeech(
            engines.contains(QStringLiteral("speechd")) ? QStringLiteral("speechd") : engines[0]);
        // An engine that found no voice for the program's locale (LANG=C) reports an error, yet
        // speaks once it is given a locale the service has: only a service without voices is
        // none.
        const QList<QLocale> locales = speech_->availableLocales();
        if (speech_->state() == QTextToSpeech::Error && locales.isEmpty()) {
            const QString why = speech_->errorString();
            delete speech_;
            speech_ = nullptr;
            tell(why.isEmpty() ? QStringLiteral("the speech service does not answer") : why);
            return false;
        }
        // A Japanese voice where the service has one.
        for (const QLocale& locale : locales) {
            if (locale.language() == QLocale::Japanese) {
                speech_->setLocale(locale);
                break;
            }
        }
        lastFailure_.invalidate();
        QObject::connect(speech_, &QTextToSpeech::errorOccurred, worker_, [this] {
            broken_ = true; // made anew for the next text (the service may be back by then)
        });
        return true;
    }

    void tell(const QString& why)
    {
        QMutexLocker lock(&mutex_);
        if (closing_)
            return;
        QMetaObject::invokeMethod(
            mainThread_, [this, why] { unavailable_(why.toStdU16String()); }, Qt::QueuedConnection);
    }

    VoiceUnavailable unavailable_;
    QObject* mainThread_; // lives on the event thread: reports are delivered there
    QObject* worker_; // lives on the module's thread
    QThread thread_;
    QTextToSpeech* speech_ = nullptr; // made and used on the module's thread only
    bool broken_ = false;
    QElapsedTimer lastFailure_;
    static constexpr int RetryMs = 10000;
    QMutex mutex_;
    QString next_;
    bool posted_ = false;
    bool closing_ = false;
};

class ThreadedVoice : public platform::Voice
{
public:
    explicit ThreadedVoice(VoiceUnavailable unavailable)
        : core_(new Core(std::move(unavailable)))
    {
        // A speech service that went away must not end the program with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~ThreadedVoice() override
    {
        if (core_->stop())
            delete core_;
    }
    void say(const std::u16string& text) override { core_->say(QString::fromStdU16String(text)); }

private:
    Core* core_;
};

} // namespace

extern "C" __attribute__((visibility("default"))) platform::Voice* pelirra_make_voice(
    VoiceUnavailable unavailable)
{
    return new ThreadedVoice(std::move(unavailable));
}
