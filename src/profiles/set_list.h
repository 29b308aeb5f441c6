// How a profile "sets" a selector: clear it, add the items in order, select the one named.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "model/controls.h"

namespace vidloom {

template <class Items>
void SetList(Selector& selector, const Items& items, std::string_view selected) {
  std::vector<std::string> rows;
  rows.reserve(std::size(items));
  for (std::string_view item : items) rows.emplace_back(item);
  selector.SetItems(std::move(rows));
  selector.SelectText(std::string(selected));
}

inline void SetList(Selector& selector, std::initializer_list<std::string_view> items,
                    std::string_view selected) {
  SetList<std::initializer_list<std::string_view>>(selector, items, selected);
}

}  // namespace vidloom
