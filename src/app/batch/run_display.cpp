#include "app/batch/run_display.h"

#include "app/batch/batch_text.h"

namespace norvel::batch {

void BatchRunDisplay::committed(std::string_view summary) {
  summary_ = std::string(summary);
  output_.summary(*summary_);
}

void BatchRunDisplay::checked(std::string_view summary) {
  summary_ = dryRunSummary(summary);
  output_.summary(*summary_);
}

std::string dryRunSummary(std::string_view summary) {
  return tr("dry run: {1} (rolled back, nothing changed)", {summary});
}

}  // namespace norvel::batch
