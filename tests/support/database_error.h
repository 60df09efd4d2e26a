#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/database.h"

namespace norvel::testing {

// The DatabaseError that `action` throws; a test failure when it throws none.
inline DatabaseError databaseErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const DatabaseError& error) {
    return error;
  }
  ADD_FAILURE() << "no DatabaseError was thrown";
  return DatabaseError("no DatabaseError was thrown");
}

}  // namespace norvel::testing
