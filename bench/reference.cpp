// The game's first screen in plain Qt Widgets, and nothing else: the bar that the game's start-up
// is measured against. A 671 x 503 window in the game's grey, the opening picture stretched over
// the picture box, the event's header and its first two lines in IPA Gothic 10 pt in the grey
// text window, and the ten buttons of the bundled story with their Japanese captions, placed and
// coloured as the game's layout places and colours them.
//
//   pelirra_reference DAT_FOLDER
//
// With PELIRRA_REPORT_FIRST_TEXT set it prints the wall-clock time at which its text is first
// painted ("first-text NANOSECONDS") and leaves, exactly as the game does.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class TextWindow : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QLabel::paintEvent(e);
        if (!qEnvironmentVariableIsSet("PELIRRA_REPORT_FIRST_TEXT"))
            return;
        timespec now {};
        clock_gettime(CLOCK_REALTIME, &now);
        std::printf(
            "first-text %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        std::_Exit(0);
    }
};

QPalette colored(QPalette pal, QPalette::ColorRole role, QColor c)
{
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        pal.setColor(group, role, c);
    return pal;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString dat = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("dat");

    QWidget window;
    window.setWindowTitle(QStringLiteral("Pelirra"));
    window.setFixedSize(671, 503);
    window.setPalette(colored(window.palette(), QPalette::Window, QColor(145, 145, 145)));
    window.setAutoFillBackground(true);
    window.setFont(QFont(QStringLiteral("IPAGothic"), 10));

    // The picture box: 30 of the window's 40 columns, a 4 : 3 picture.
    QLabel picture(&window);
    picture.setGeometry(8, 8, 503, 377);
    picture.setScaledContents(true);
    picture.setPixmap(QPixmap(dat + QStringLiteral("/ive.dat"), "PNG"));

    TextWindow text(&window);
    text.setGeometry(8, 394, 503, 101);
    text.setAutoFillBackground(true);
    text.setPalette(colored(text.palette(), QPalette::Window, QColor(170, 170, 170)));
    text.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text.setWordWrap(true);
    text.setText(QStringLiteral("Quillet > \n\n春の船が、小さな港に着いた。\n"
                                "ここは海辺の町、クィレット。　　▼"));

    const char16_t* captions[] = { u"喜び", u"優しさ", u"勇気", u"感謝", u"希望", u"思い出",
        u"安らぎ", u"情熱", u"過去見", u"終了" };
    const int rows = 11;
    for (int i = 0; i < 10; ++i) {
        auto* b = new QPushButton(QString::fromUtf16(captions[i]), &window);
        b->setGeometry(520, 503 * (i + 1) / rows, 143, 503 / rows);
        b->setFont(QFont(QStringLiteral("IPAGothic"), 20));
        const QColor back = i == 8 ? QColor(170, 170, 200)
            : i == 9               ? QColor(170, 200, 200)
                                   : QColor(145, 145, 145);
        b->setPalette(colored(b->palette(), QPalette::Button, back));
        b->setEnabled(i == 9);
    }

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window.move(area.x() + (area.width() - window.width()) / 2,
        area.y() + (area.height() - window.height()) / 2);
    window.show();
    return QApplication::exec();
}
