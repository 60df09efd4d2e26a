#pragma once

#include <optional>
#include <string>

namespace norvel::xlsx {

// Sets fullCalcOnLoad on the workbook's <calcPr>, so that Excel recalculates formulas whose
// cached results the changed cells made stale. Empty when the workbook already asks for it.
std::optional<std::string> requestFullCalculation(const std::string& part_name,
                                                  const std::string& workbook_xml);

}  // namespace norvel::xlsx
