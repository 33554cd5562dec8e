// Controls that share a name and are told apart by an index; the handlers
// of the array receive the index.
#pragma once

#include <map>

namespace luma {

template <typename Control>
class ControlArray {
  public:
    void add(int index, Control* control) { items_[index] = control; }
    Control* operator()(int index) const {
        const auto found = items_.find(index);
        return found == items_.end() ? nullptr : found->second;
    }
    int count() const { return static_cast<int>(items_.size()); }
    // In index order.
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    std::map<int, Control*> items_;
};

}  // namespace luma
