#pragma once

#include <optional>
#include <string>

namespace norvel::xlsx {

class ZipArchive;
struct WorkbookParts;

// Sets fullCalcOnLoad on the workbook's <calcPr>, so that Excel recalculates formulas whose
// cached results the changed cells made stale. Empty when the workbook already asks for it.
std::optional<std::string> requestFullCalculation(const std::string& part_name,
                                                  const std::string& workbook_xml);

// Removes the calculation chain, its relationship and its content type. Excel rejects a chain
// that lists a cell which no longer holds a formula, and rebuilds a missing one.
void dropCalcChain(ZipArchive& archive, const WorkbookParts& parts);

}  // namespace norvel::xlsx
