// An indexed group of controls (or lines) that grows at run time.
#pragma once

#include "platform/errors.h"
#include "platform/text.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// An indexed group of controls from index 0 up; grows at run time. A new member takes the
// settings of index 0 but starts hidden.
template <class T> class ControlArray
{
public:
    // `make` creates a member with the group's design settings; it makes index 0 at once.
    explicit ControlArray(std::function<std::unique_ptr<T>()> make)
        : make_(std::move(make))
    {
        members_.push_back(make_());
    }
    T& operator()(int index)
    {
        if (index < 0 || index >= static_cast<int>(members_.size()))
            throw RuntimeError(u"control array element " + Str(index) + u" does not exist");
        return *members_[static_cast<size_t>(index)];
    }
    int LBound() const { return 0; }
    int UBound() const { return static_cast<int>(members_.size()) - 1; }
    int count() const { return static_cast<int>(members_.size()); }

    // Creates member `index`, which must be the next one.
    void Load(int index)
    {
        if (index != count())
            throw RuntimeError(u"control array element " + Str(index) + u" cannot be created here");
        auto member = make_();
        member->cloneFrom(*members_.front());
        members_.push_back(std::move(member));
    }

private:
    std::vector<std::unique_ptr<T>> members_;
    std::function<std::unique_ptr<T>()> make_;
};

} // namespace platform
