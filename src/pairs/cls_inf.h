#pragma once

#include <cstdint>
#include <string>

namespace norvel {

// A general list item. A replacement pair is a clsInf with the old code in s01 and the new code
// in s02 (key l01 = 0).
struct clsInf {
  std::int32_t l01 = 0;
  std::int32_t l02 = 0;
  std::int32_t l03 = 0;
  std::int32_t l04 = 0;
  std::int32_t l05 = 0;
  std::string s01;
  std::string s02;
  std::string s03;
  std::string s04;
  std::string s05;
  double db01 = 0;
  double db02 = 0;
  double db03 = 0;
  double db04 = 0;
  double db05 = 0;
};

}  // namespace norvel
