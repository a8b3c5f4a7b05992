#include "platform/controls.h"

#include "platform/form/form.h"
#include "platform/widgets_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

namespace platform {

QString toQ(TextView t)
{
    return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

QString displayText(TextView t)
{
    QString s = toQ(t);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

namespace {
// Qt lays out a paragraph in a time that grows with the square of its length where it finds no
// place to break a line: one line of 1 MiB of letters without a space took the window away for
// 50 s. The text box shows a paragraph longer than this as several, each broken after a space
// where one is near its end; such lines are longer than any the box can show on one line.
constexpr qsizetype MaxShownParagraph = 1000;

QString displayParagraphs(TextView t)
{
    const QString s = displayText(t);
    QString out;
    qsizetype from = 0; // what is not in `out` yet
    qsizetype start = 0; // the start of the current paragraph
    for (qsizetype i = 0; i <= s.size(); ++i) {
        if (i < s.size() && s[i] != u'\n') {
            if (i - start < MaxShownParagraph)
                continue;
            qsizetype cut = i;
            for (qsizetype k = i - 1; k > i - MaxShownParagraph / 2; --k) {
                if (s[k] == u' ' || s[k] == u'\u3000') {
                    cut = k + 1;
                    break;
                }
            }
            if (s[cut - 1].isHighSurrogate())
                --cut;
            out += QStringView(s).mid(from, cut - from);
            out += u'\n';
            from = start = cut;
            i = cut - 1;
            continue;
        }
        start = i + 1;
    }
    if (from == 0)
        return s;
    out += QStringView(s).mid(from);
    return out;
}
} // namespace

QColor toQColor(Color c)
{
    return QColor(c.r, c.g, c.b);
}

MouseButton fromQt(Qt::MouseButton b)
{
    switch (b) {
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return MouseButton::Left;
    }
}

// ---------------------------------------------------------------------------------------------
// Control

Control::Control(Form& form, QWidget* widget, int stackRank)
    : form_(form)
    , widget_(widget)
    , stackRank_(stackRank)
{
    widget_->hide();
    form_.addControl(this);
}

Control::~Control()
{
    form_.removeControl(this);
    delete widget_;
}

Dispatcher& Control::dispatcher() const
{
    return form_.dispatcher();
}

void Control::copySettings(const Control& other)
{
    leftTw_ = other.leftTw_;
    topTw_ = other.topTw_;
    widthTw_ = other.widthTw_;
    heightTw_ = other.heightTw_;
    back_ = other.back_;
    fore_ = other.fore_;
    fontSize_ = other.fontSize_;
    applyGeometry();
    applyColors();
    applyFont();
}

void Control::Move(
    double left, double top, std::optional<double> width, std::optional<double> height)
{
    leftTw_ = form_.unitsToTwipsX(left);
    topTw_ = form_.unitsToTwipsY(top);
    if (width) {
        if (*width < 0)
            throw RuntimeError(u"a width below zero is not allowed");
        widthTw_ = form_.unitsToTwipsX(*width);
    }
    if (height) {
        if (*height < 0)
            throw RuntimeError(u"a height below zero is not allowed");
        heightTw_ = form_.unitsToTwipsY(*height);
    }
    applyGeometry();
}

double Control::Left() const
{
    return form_.twipsToUnitsX(leftTw_);
}
double Control::Top() const
{
    return form_.twipsToUnitsY(topTw_);
}
double Control::Width() const
{
    return form_.twipsToUnitsX(widthTw_);
}
double Control::Height() const
{
    return form_.twipsToUnitsY(heightTw_);
}

void Control::setWidth(double w)
{
    if (w < 0)
        throw RuntimeError(u"a width below zero is not allowed");
    widthTw_ = form_.unitsToTwipsX(w);
    applyGeometry();
}

void Control::setHeight(double h)
{
    if (h < 0)
        throw RuntimeError(u"a height below zero is not allowed");
    heightTw_ = form_.unitsToTwipsY(h);
    applyGeometry();
}

Control::PixelRect Control::pixelRect() const
{
    // Edges are rounded, not sizes, so widgets placed edge to edge meet without a gap.
    const double left = form_.gridLeftTwips() + leftTw_;
    const double top = form_.gridTopTwips() + topTw_;
    const int x = form_.twipsToPixels(left);
    const int y = form_.twipsToPixels(top);
    const int r = form_.twipsToPixels(left + widthTw_);
    const int b = form_.twipsToPixels(top + heightTw_);
    return { x, y, std::max(0, r - x), std::max(0, b - y) };
}

void Control::applyGeometry()
{
    const PixelRect r = pixelRect();
    widget_->setGeometry(r.x, r.y, r.w, r.h);
}

void Control::stateChanged()
{
    form_.controlStateChanged();
}

void Control::setVisible(bool v)
{
    if (v != visible_)
        stateChanged();
    visible_ = v;
    visibilityChanged();
    widget_->setVisible(v);
}

void Control::setBackColor(Color c)
{
    back_ = c;
    applyColors();
}

void Control::setForeColor(Color c)
{
    fore_ = c;
    applyColors();
}

void Control::applyColors()
{
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Base, toQColor(back_));
    pal.setColor(QPalette::Window, toQColor(back_));
    pal.setColor(QPalette::Text, toQColor(fore_));
    pal.setColor(QPalette::WindowText, toQColor(fore_));
    widget_->setPalette(pal);
}

void Control::setFontSize(double points)
{
    if (!(points > 0) || points > 2048)
        throw RuntimeError(
            u"font size " + Str(static_cast<long long>(points)) + u" is not allowed");
    fontSize_ = points;
    applyFont();
}

void Control::setAccessibleName(TextView name)
{
    // A widget that hands its focus to one inside it (the text box's text widget) is named there:
    // that is where a screen reader arrives.
    QWidget* named = widget_->focusProxy() ? widget_->focusProxy() : widget_;
    named->setAccessibleName(toQ(name));
}

void Control::applyFont()
{
    QFont f = widget_->font();
    f.setPointSizeF(fontSize_ * form_.fontScale());
    widget_->setFont(f);
}

// ---------------------------------------------------------------------------------------------
// Label

LabelWidget::LabelWidget(QWidget* parent, Label* owner)
    : QLabel(parent)
    , owner_(owner)
{
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setContentsMargins(0, 0, 0, 0);
}

void LabelWidget::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (owner_->painted_)
        owner_->painted_();
}

void LabelWidget::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    owner_->press(fromQt(e->button()));
}

Label::Label(Form& form, int stackRank, Text caption)
    : Control(form, new LabelWidget(form.widget(), this), stackRank)
{
    setCaption(std::move(caption));
    applyColors();
}

Label::~Label() = default;

LabelWidget* Label::label() const
{
    return static_cast<LabelWidget*>(widget_);
}

void Label::setCaption(Text caption)
{
    caption_ = std::move(caption);
    label()->setText(displayText(caption_));
}

void Label::setBackStyle(BackStyle style)
{
    backStyle_ = style;
    applyColors();
}

void Label::setBorderNone()
{
    label()->setFrameShape(QFrame::NoFrame);
}

void Label::applyColors()
{
    Control::applyColors();
    widget_->setAutoFillBackground(backStyle_ == BackStyle::Opaque);
}

void Label::press(MouseButton button)
{
    if (!visible_ || !mouseDown_)
        return;
    dispatcher().deliver([this, button] { mouseDown_(button); });
}

// ---------------------------------------------------------------------------------------------
// CommandButton

ButtonWidget::ButtonWidget(QWidget* parent, CommandButton* owner)
    : QPushButton(parent)
    , owner_(owner)
{
    // The focus comes by Tab only (or from the form's keyboard): a click leaves it where it was.
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, [owner] { owner->click(); });
}

namespace {
QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}
} // namespace

void ButtonWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    const QColor face = toQColor(owner_->BackColor());
    p.fillRect(r, face);

    // A raised edge of two lines, lit from the top left, made from the face colour so that every
    // colour keeps one; pressed, the edge is sunken and the caption moves by a pixel.
    const QColor highlight = mix(face, Qt::white, 0.7);
    const QColor light = mix(face, Qt::white, 0.35);
    const QColor shadow = mix(face, Qt::black, 0.35);
    const QColor dark = mix(face, Qt::black, 0.7);
    const bool down = isDown();
    const auto edge = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
        const QRect e = r.adjusted(inset, inset, -inset, -inset);
        if (e.width() < 1 || e.height() < 1)
            return;
        p.setPen(topLeft);
        p.drawLine(e.topLeft(), e.topRight());
        p.drawLine(e.topLeft(), e.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(e.bottomLeft(), e.bottomRight());
        p.drawLine(e.topRight(), e.bottomRight());
    };
    edge(0, down ? dark : highlight, down ? highlight : dark);
    edge(1, down ? shadow : light, down ? light : shadow);

    // The caption, centred; greyed and engraved while the button is disabled. "&&" shows one "&".
    QRect box = r.adjusted(2, 2, -2, -2);
    if (down)
        box.translate(1, 1);
    const int flags = Qt::AlignCenter | Qt::TextHideMnemonic;
    p.setFont(font());
    const QColor ink = palette().color(QPalette::Active, QPalette::ButtonText);
    if (isEnabled()) {
        p.setPen(ink);
        p.drawText(box, flags, text());
    } else {
        p.setPen(highlight);
        p.drawText(box.translated(1, 1), flags, text());
        p.setPen(shadow);
        p.drawText(box, flags, text());
    }
    if (hasFocus()) {
        QPen dotted(ink);
        dotted.setStyle(Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(r.adjusted(4, 4, -5, -5));
    }
}

CommandButton::CommandButton(Form& form, int stackRank, Text caption)
    : Control(form, new ButtonWidget(form.widget(), this), stackRank)
{
    setCaption(std::move(caption));
    applyColors();
}

CommandButton::~CommandButton() = default;

void CommandButton::cloneFrom(const CommandButton& first)
{
    copySettings(first);
    setCaption(first.caption_);
    setEnabled(first.enabled_);
}

void CommandButton::setCaption(Text caption)
{
    caption_ = std::move(caption);
    // Shown exactly as written: to a Qt button "&" marks a keyboard shortcut, "&&" is an "&".
    static_cast<QPushButton*>(widget_)->setText(
        displayText(caption_).replace(QLatin1Char('&'), QLatin1String("&&")));
}

void CommandButton::setEnabled(bool e)
{
    if (e != enabled_)
        stateChanged();
    enabled_ = e;
    widget_->setEnabled(e);
}

void CommandButton::applyColors()
{
    QPalette pal = widget_->palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        pal.setColor(group, QPalette::Button, toQColor(back_));
    widget_->setPalette(pal);
}

void CommandButton::click()
{
    if (!visible_ || !enabled_ || !click_)
        return;
    dispatcher().deliver(click_);
}

// ---------------------------------------------------------------------------------------------
// ListBox

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows;
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::AccessibleTextRole) || !index.isValid()
        || index.row() >= static_cast<int>(items_->size()))
        return {};
    if (role == Qt::AccessibleTextRole)
        return toQ(owner_->spokenItem(index.row()));
    return displayText((*items_)[static_cast<size_t>(index.row())]);
}

void ListModel::inserted(int row)
{
    if (stale)
        return;
    beginInsertRows({}, row, row);
    ++shownRows;
    endInsertRows();
}

void ListModel::removed(int row)
{
    if (stale)
        return;
    beginRemoveRows({}, row, row);
    --shownRows;
    endRemoveRows();
}

void ListModel::reset()
{
    beginResetModel();
    shownRows = static_cast<int>(items_->size());
    stale = false;
    endResetModel();
}

ListWidget::ListWidget(QWidget* parent, ListBox* owner, const std::vector<Text>* items)
    : QListView(parent)
    , model(items, owner)
    , owner_(owner)
{
    setModel(&model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListView::clicked, this, [owner](const QModelIndex& index) {
        if (index.isValid())
            owner->clickItem(index.row());
    });
}

void ListWidget::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    // Moving through a focused list is said like a move of the focus.
    if (hasFocus())
        owner_->form_.focusMoved();
}

ListBox::ListBox(Form& form, int stackRank)
    : Control(form, new ListWidget(form.widget(), this, &items_), stackRank)
{
    applyColors();
}

void ListBox::visibilityChanged()
{
    ListWidget* w = list();
    if (visible_ && w->model.stale) {
        w->model.reset();
        if (listIndex_ >= 0)
            w->setCurrentIndex(w->model.index(listIndex_));
    }
}

ListBox::~ListBox() = default;

int ListWidget::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int ListBox::currentRow() const
{
    return list()->model.stale ? -1 : list()->currentRow();
}

ListWidget* ListBox::list() const
{
    return static_cast<ListWidget*>(widget_);
}

void ListBox::AddItem(const Text& item)
{
    AddItem(item, ListCount());
}

void ListBox::AddItem(const Text& item, int index)
{
    if (index < 0 || index > ListCount())
        throw RuntimeError(u"list position " + Str(index) + u" is out of range");
    items_.insert(items_.begin() + index, item);
    if (listIndex_ >= index)
        ++listIndex_;
    if (!visible_)
        list()->model.stale = true;
    list()->model.inserted(index);
}

void ListBox::RemoveItem(int index)
{
    if (index < 0 || index >= ListCount())
        throw RuntimeError(u"list position " + Str(index) + u" is out of range");
    items_.erase(items_.begin() + index);
    if (listIndex_ == index)
        listIndex_ = -1;
    else if (listIndex_ > index)
        --listIndex_;
    if (!visible_)
        list()->model.stale = true;
    list()->model.removed(index);
}

void ListBox::Clear()
{
    items_.clear();
    listIndex_ = -1;
    list()->model.reset();
}

const Text& ListBox::List(int index) const
{
    if (index < 0 || index >= ListCount())
        throw RuntimeError(u"list position " + Str(index) + u" is out of range");
    return items_[static_cast<size_t>(index)];
}

Text ListBox::spokenItem(int index) const
{
    const Text& item = List(index);
    return spoken_ ? spoken_(index, item) : item;
}

Text ListBox::SelectedText() const
{
    return listIndex_ >= 0 ? List(listIndex_) : Text();
}

void ListBox::select(int index)
{
    listIndex_ = index;
    ListWidget* w = list();
    if (!w->model.stale)
        w->setCurrentIndex(w->model.index(index));
}

void ListBox::clickItem(int index)
{
    if (!visible_ || index < 0 || index >= ListCount())
        return;
    select(index);
    if (click_)
        dispatcher().deliver(click_);
}

// ---------------------------------------------------------------------------------------------
// TextBox

TextWidget::TextWidget(QWidget* parent, TextBox* owner)
    : QPlainTextEdit(parent)
    , owner_(owner)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    viewport()->installEventFilter(this);
}

bool TextWidget::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == viewport() && e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        owner_->click();
    return QPlainTextEdit::eventFilter(watched, e);
}

TextFrame::TextFrame(QWidget* parent, TextBox* owner)
    : QWidget(parent)
    , owner_(owner)
{ }

TextWidget* TextFrame::text()
{
    if (!text_) {
        text_ = new TextWidget(this, owner_);
        text_->setGeometry(rect());
        setFocusProxy(text_);
        // The name a screen reader says goes where the focus goes.
        text_->setAccessibleName(accessibleName());
        setAccessibleName({});
        // Keys, the wheel and the focus pass the form first, as for the frame and every control.
        text_->installEventFilter(parentWidget());
        text_->show();
    }
    return text_;
}

void TextFrame::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (text_)
        text_->setGeometry(rect());
}

TextBox::TextBox(Form& form, int stackRank, Text text)
    : Control(form, new TextFrame(form.widget(), this), stackRank)
{
    setText(std::move(text));
    applyColors();
}

TextBox::~TextBox() = default;

void TextBox::setText(Text text)
{
    text_ = std::move(text);
    textShown_ = false;
    visibilityChanged();
}

void TextBox::visibilityChanged()
{
    if (!visible_ || textShown_)
        return;
    static_cast<TextFrame*>(widget_)->text()->setPlainText(displayParagraphs(text_));
    textShown_ = true;
}

void TextBox::click()
{
    if (!visible_ || !click_)
        return;
    dispatcher().deliver(click_);
}

void TextBox::deliverClick()
{
    if (click_)
        dispatcher().deliver(click_);
}

// ---------------------------------------------------------------------------------------------
// Timer

Timer::Timer(Dispatcher& dispatcher, int interval, bool enabled)
    : dispatcher_(dispatcher)
    , timer_(new QTimer)
    , interval_(interval)
    , enabled_(enabled)
{
    QObject::connect(timer_, &QTimer::timeout, [this] { fire(); });
    restart();
}

Timer::~Timer()
{
    delete timer_;
}

void Timer::setInterval(int ms)
{
    if (ms < 0 || ms > 65535)
        throw RuntimeError(u"timer interval " + Str(ms) + u" is not allowed");
    interval_ = ms;
    restart();
}

void Timer::setEnabled(bool e)
{
    if (e == enabled_)
        return;
    enabled_ = e;
    restart();
}

void Timer::restart()
{
    if (!ticking() || dispatcher_.ended()) {
        timer_->stop();
        return;
    }
    timer_->setTimerType(interval_ < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer_->start(interval_);
}

void Timer::fire()
{
    if (dispatcher_.ended()) {
        timer_->stop();
        return;
    }
    if (tick_)
        dispatcher_.deliver(tick_);
}

} // namespace platform
