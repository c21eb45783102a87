// The report of a run as JSON Lines: one object a download, and one for the
// batch after them; the schema is docs/report.schema.json.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/download_report.h"

/// How a run over several downloads went.
struct BatchReport {
  size_t downloads = 0;
  size_t done = 0;
  std::vector<std::string> failed;
  /// Folders given that hold no download.
  std::vector<std::string> emptyFolders;
  uint64_t released = 0;
  uint64_t zeroed = 0;
  int exitStatus = 0;
};

/// The download's object on one line, with its line end. Names that are no
/// UTF-8 have their bad bytes replaced; everything is ASCII, other letters
/// escaped, so that no terminal or pipe can mangle it.
std::string DownloadReportJson(const DownloadReport& report);

/// The batch's object on one line, with its line end.
std::string BatchReportJson(const BatchReport& batch);
