#pragma once

#include <string>
#include <vector>

namespace norvel::testing {

// The workbook fixtures are written and read back by the build host's python3 and openpyxl.
// Under Wine the host is the Linux beneath it: its programs start from the Windows tests too,
// given the Unix names of the files the tests made.

struct HostRun {
  int exit_code = -1;
  std::string out;  // stdout; stderr goes to the test's own
};

// Why the host's programs cannot be started from here, or empty when they can: they cannot on
// Windows itself, which has no host system beneath it.
std::string hostProgramsUnavailable();

// The host's name of a file of this system: its Unix name under Wine, the path itself elsewhere.
// The file's folder must exist.
std::string hostPath(const std::string& path);

// Runs a program of the host (its host path) with args (UTF-8, file names given by hostPath)
// through the host's shell and waits for it: a missing program ends with 127, as there.
HostRun runHostProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace norvel::testing
