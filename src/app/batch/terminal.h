#pragma once

namespace norvel::batch {

// stderr is a terminal (a console on Windows): the progress line is drawn there.
bool standardErrorIsTerminal();

// stdout and stderr reach the same place: one terminal (not merely two terminals), or one pipe
// or file, as after 2>&1.
bool standardStreamsShareOutput();

// A write to a pipe whose reader is gone fails with EPIPE instead of ending the program with
// SIGPIPE (Windows has no such signal).
void ignoreBrokenPipe();

}  // namespace norvel::batch
