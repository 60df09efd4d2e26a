#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace norvel {

// Writes every byte, going on after a signal or a short write. Returns 0, or the errno of the
// write that failed (ENOSPC when a write makes no progress: nothing more fits).
int writeAll(int fd, std::string_view bytes);

// Appends what the descriptor yields to `bytes` until end of file or `limit` bytes, going on
// after a signal or a short read. Returns 0, or the errno of the read that failed; what was
// read before the failure stays appended.
int readAll(int fd, std::string& bytes,
            std::size_t limit = std::numeric_limits<std::size_t>::max());

}  // namespace norvel
