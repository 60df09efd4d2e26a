#pragma once

#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "ui/frm_norvel.h"

namespace norvel::batch {

// Picks the data source's tab and fills in its inputs the way a user does, through the window
// model, so that the window builds the connection string itself.
void enterSource(FrmNorvel& window, const BatchOptions& options, const std::string& password);

// Clicks 接続 and lets the window deliver what it queued (the drop-down of the table list).
void clickConnect(FrmNorvel& window, WindowSystem& windows);

// Chooses the item of a drop-down list with exactly this text; false when there is none.
bool selectItem(FrmNorvel& window, Control& list, const std::string& name, WindowSystem& windows);

}  // namespace norvel::batch
