#pragma once

namespace norvel::win32 {

// Remembers the console's input and output code pages before the program switches them to
// UTF-8, and puts them back whichever way it ends: main returning, exit(), and Ctrl+C,
// Ctrl+Break or a closed console window while no run's own handler is there. cmd.exe reads
// the rest of a .bat file in the console's code page, so 65001 left behind would garble a
// Shift-JIS script. Nothing to do without a console. Called by useUtf8Locale(), so every
// console program keeps them.
void keepConsoleCodePages();

}  // namespace norvel::win32
