// A list box: its entries, the selection, and the click on an entry.
#pragma once

#include "platform/controls/control.h"

#include <functional>
#include <vector>

namespace platform {

class ListWidget;
class ListModel;

class ListBox : public Control
{
public:
    ListBox(Form& form, int stackRank);
    ~ListBox() override;

    void AddItem(const Text& item);
    void AddItem(const Text& item, int index);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const { return static_cast<int>(items_.size()); }
    const Text& List(int index) const;
    // The entry at the selection as text; empty when nothing is selected.
    Text SelectedText() const;

    // How an entry reads to a screen reader and the game's own voice (as shown when not set).
    using SpokenItem = std::function<Text(int index, TextView item)>;
    void setSpokenItem(SpokenItem spoken) { spoken_ = std::move(spoken); }
    Text spokenItem(int index) const;

    void onClick(std::function<void()> handler) { click_ = std::move(handler); }
    // Selects entry `index` and clicks it, as the player does; a hidden list ignores it.
    void clickItem(int index);
    // The entry the keyboard is on (not necessarily selected), -1 when none.
    int currentRow() const;

private:
    friend class Form;
    void visibilityChanged() override;
    ListWidget* list() const;
    void select(int index);
    std::vector<Text> items_;
    int listIndex_ = -1;
    std::function<void()> click_;
    SpokenItem spoken_;
    friend class ListWidget;
    friend class ListModel;
};

} // namespace platform
