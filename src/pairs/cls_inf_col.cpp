#include "pairs/cls_inf_col.h"

#include <stdexcept>

namespace norvel {

clsInf& clsInfCol::AddItem(std::int32_t alKey_in, const std::string& asCap_in) {
  auto item = std::make_unique<clsInf>();
  item->l01 = alKey_in;
  item->s01 = asCap_in;
  items_.push_back(std::move(item));
  return *items_.back();
}

void clsInfCol::RemoveItem(std::int32_t alIndex_in, std::int32_t alCount_in) {
  std::int32_t remaining = alCount_in;
  while (alIndex_in <= GetSize() && alIndex_in >= 1 && remaining >= 1) {
    items_.erase(items_.begin() + (alIndex_in - 1));
    --remaining;
  }
}

void clsInfCol::RemoveAllItems() {
  while (!items_.empty()) items_.erase(items_.begin());
}

clsInf& clsInfCol::GetItem(std::int32_t alIndex_in) {
  return const_cast<clsInf&>(static_cast<const clsInfCol&>(*this).GetItem(alIndex_in));
}

const clsInf& clsInfCol::GetItem(std::int32_t alIndex_in) const {
  if (alIndex_in < 1 || alIndex_in > GetSize()) {
    throw std::out_of_range("Subscript out of range: item " + std::to_string(alIndex_in) + " of " +
                            std::to_string(GetSize()));
  }
  return *items_[alIndex_in - 1];
}

std::int32_t clsInfCol::IndexToCode(std::int32_t lIndex, std::int32_t lErrorCode) const {
  if (lIndex < 0 || lIndex >= GetSize()) return lErrorCode;
  return items_[lIndex]->l01;
}

std::int32_t clsInfCol::SearchItem(const SearchValue& avItemData_in) const {
  enum class Kind { none, text, integer, floating };
  Kind kind = Kind::none;
  std::string text;
  std::int32_t integer = 0;
  double floating = 0;
  if (const auto* s = std::get_if<std::string>(&avItemData_in)) {
    kind = Kind::text;
    text = *s;
  } else if (const auto* i16 = std::get_if<std::int16_t>(&avItemData_in)) {
    kind = Kind::integer;
    integer = *i16;
  } else if (const auto* i32 = std::get_if<std::int32_t>(&avItemData_in)) {
    kind = Kind::integer;
    integer = *i32;
  } else if (const auto* f32 = std::get_if<float>(&avItemData_in)) {
    kind = Kind::floating;
    floating = static_cast<double>(*f32);
  } else if (const auto* f64 = std::get_if<double>(&avItemData_in)) {
    kind = Kind::floating;
    floating = *f64;
  }
  if (items_.empty() || kind == Kind::none) return -1;
  const std::int32_t size = GetSize();
  for (std::int32_t position = 1; position <= size; ++position) {
    const clsInf& item = *items_[position - 1];
    const bool equal = (kind == Kind::text && item.s01 == text) ||
                       (kind == Kind::integer && item.l01 == integer) ||
                       (kind == Kind::floating && item.db01 == floating);
    if (equal) return position;
  }
  return -1;
}

}  // namespace norvel
