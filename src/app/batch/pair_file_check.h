#pragma once

#include <optional>
#include <string>

namespace norvel::batch {

// Why the pair list file named with --pairs cannot be read (the system's own text), or
// nothing when it can. The window itself passes over an unreadable file in silence, which
// suits a window but would let a script run with no pairs.
std::optional<std::string> whyUnreadable(const std::string& path);

}  // namespace norvel::batch
