#pragma once

namespace norvel::batch {

// What a script can rely on.
inline constexpr int kExitCommitted = 0;   // committed, or a dry run that went through
inline constexpr int kExitRolledBack = 1;  // a pair failed: nothing was changed
inline constexpr int kExitUsage = 2;       // bad options, connect failure, unknown table or field

}  // namespace norvel::batch
