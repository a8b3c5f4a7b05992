#include "platform/controls/list_box.h"

#include "platform/form/form.h"
#include "platform/qt_conversions_p.h"

#include <QAbstractListModel>
#include <QListView>

namespace platform {

// The list's entries live in the ListBox; this model only shows them. While the list is hidden
// it is told nothing, and catches up in one reset when it is shown, so long lists load fast.
class ListModel : public QAbstractListModel
{
public:
    ListModel(const std::vector<Text>* items, const ListBox* owner)
        : items_(items)
        , owner_(owner)
    { }
    int rowCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void inserted(int row);
    void removed(int row);
    void reset();
    bool stale = false;
    int shownRows = 0;

private:
    const std::vector<Text>* items_;
    const ListBox* owner_;
};

class ListWidget : public QListView
{
public:
    ListWidget(QWidget* parent, ListBox* owner, const std::vector<Text>* items);
    ListModel model;
    // The entry the keyboard is on, -1 when none.
    int currentRow() const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    ListBox* owner_;
};

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

} // namespace platform
