#include "report/download_report.h"

void ReportConsole::Write(std::string_view text) {
  if (shown_) shown_->Write(text);
  for (char c : text) {
    if (c == '\n') {
      report_->messages.push_back(std::move(pending_));
      pending_.clear();
      markAt_ = 0;
    } else {
      pending_ += c;
    }
  }
}

void ReportConsole::Flush() {
  if (pending_.empty()) return;
  report_->messages.push_back(std::move(pending_));
  pending_.clear();
  markAt_ = 0;
}

void ReportConsole::Use(DownloadReport& report) {
  Flush();
  report_ = &report;
}
