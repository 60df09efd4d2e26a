#pragma once

namespace norvel::batch {

// What a script can rely on.
inline constexpr int kExitCommitted = 0;   // committed, or a dry run that went through
inline constexpr int kExitRolledBack = 1;  // a pair failed: nothing was changed
inline constexpr int kExitUsage = 2;       // bad options, connect failure, unknown table or field

// A run stopped by a signal: 128 + its number, as a shell reports a command the signal ended
// (130 for Ctrl+C, 143 for SIGTERM); nothing was changed.
constexpr int exitCodeOfSignal(int signal) {
  return 128 + signal;
}

// A run stopped because stdout's reader went away ("| head"): 128 + 13, as a shell reports a
// command SIGPIPE ended; nothing was changed.
inline constexpr int kExitOutputClosed = 141;

}  // namespace norvel::batch
