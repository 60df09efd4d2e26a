#include "app/batch/console_code_pages.h"

namespace norvel::batch {

void keepConsoleCodePages() {}

}  // namespace norvel::batch
