#pragma once

#include "ui/frm_norvel.h"

namespace norvel {

// Start-up: runs the window's load handler, shows the window and puts the focus into
// txtMDBパス. A start-up failure is shown with its description and ends the application;
// the result is then false.
bool Main(FrmNorvel& window);

}  // namespace norvel
