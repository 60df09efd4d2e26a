#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "pairs/cls_inf.h"

namespace norvel {

// The most pairs a list holds: the list box's indices are 16-bit signed.
inline constexpr int kMaxListLines = 32767;

// The search value of SearchItem: the kinds it compares, and std::monostate (or bool, etc.) for
// values of no kind.
using SearchValue = std::variant<std::monostate, bool, std::uint8_t, std::int16_t, std::int32_t,
                                 float, double, std::string>;

// An ordered collection of clsInf records at 1-based positions. It owns its records; AddItem and
// GetItem hand out the stored record itself.
class clsInfCol {
 public:
  clsInf& AddItem(std::int32_t alKey_in = 0, const std::string& asCap_in = {});
  void RemoveItem(std::int32_t alIndex_in, std::int32_t alCount_in = 1);
  void RemoveAllItems();
  std::int32_t GetSize() const { return static_cast<std::int32_t>(items_.size()); }
  // Throws std::out_of_range outside 1 to GetSize().
  clsInf& GetItem(std::int32_t alIndex_in);
  const clsInf& GetItem(std::int32_t alIndex_in) const;
  std::int32_t IndexToCode(std::int32_t lIndex, std::int32_t lErrorCode = 0) const;
  std::int32_t SearchItem(const SearchValue& avItemData_in) const;

 private:
  // unique_ptr keeps handed-out references valid while other items come and go.
  std::vector<std::unique_ptr<clsInf>> items_;
};

}  // namespace norvel
