#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "catalog/language.h"

namespace norvel {

// A text of the catalogue in the window's Japanese and in norvel-batch's English.
struct Worded {
  std::string name;
  std::string japanese;
  std::string english;
};

inline void expectWorded(const std::vector<Worded>& cases,
                         const std::function<std::string(std::size_t, Language)>& text) {
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(text(i, Language::japanese), cases[i].japanese);
    EXPECT_EQ(text(i, Language::english), cases[i].english);
  }
}

}  // namespace norvel
