#pragma once

namespace norvel::batch {

// stderr is a terminal (a console on Windows): the progress line is drawn there.
bool standardErrorIsTerminal();

// stdout and stderr are the same terminal (not merely two terminals).
bool standardStreamsShareTerminal();

}  // namespace norvel::batch
