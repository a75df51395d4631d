#pragma once

#include <string>
#include <vector>

// Test cases kept as data: one case a line, fields separated by " | " with the blanks
// around each field trimmed; blank lines and lines starting with '#' are skipped. A missing
// file reads as no cases, which every caller must treat as a failure.
using TableRow = std::vector<std::string>;
std::vector<TableRow> readTableFile(const std::string& path);
// The rows whose first field is `kind`, for files that hold several kinds of case.
std::vector<TableRow> readTableFile(const std::string& path, const std::string& kind);
