// What a run found and did with one download, as a record: the header, the
// gaps and what became of each, the parts' verdicts, the candidates of a
// recovery, what was written and where, and how it ended. Every line the run
// says goes into it too, in order, through the console that records it, so
// that the text for people and the report for programs come from one run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/console.h"

/// One gap as the run saw it and what it did with it.
struct GapReport {
  uint64_t start = 0;
  uint64_t end = 0;
  /// "cleared", "kept for recovery", "kept complete", "no data", "past size",
  /// "invalid", "failed", "not listed" ... (see the schema).
  std::string action;
  /// Storage given back, and data overwritten with zeros (or, in a dry run,
  /// what would be).
  uint64_t released = 0;
  uint64_t zeroed = 0;
  /// The system's error code where the disk failed on it.
  int error = 0;
};

/// One part's verdict.
struct PartReport {
  uint32_t part = 0;
  /// Its MD4 digest, lower-case hex.
  std::string md4;
  /// "sound", "corrupt", "incomplete" or "complete in a gap".
  std::string verdict;
  bool md4Judged = false;
  bool md4Agrees = false;
  bool aichJudged = false;
  bool aichAgrees = false;
};

/// One file a recovery looked at.
struct CandidateReport {
  std::string path;
  /// "missing", "unreadable", "damaged" or "sound".
  std::string state;
  std::string fault;
  std::string fileHash{};
  /// The time stamp of its header (Unix seconds), 0 where none.
  uint32_t savedAt = 0;
  bool taken = false;
};

/// A part taken from another copy of the download.
struct ImportReport {
  uint32_t part = 0;
  std::string source;
};

/// The metadata file written, or in a dry run the one that would be.
struct WrittenReport {
  std::string path;
  uint64_t bytes = 0;
  /// True when no file was there before: it was created, not rewritten.
  bool created = false;
  bool dryRun = false;
};

/// The record of one download's run.
struct DownloadReport {
  std::string mode;
  std::string metPath;
  std::string dataPath;
  bool dryRun = false;
  /// The header, once it could be read.
  bool headerRead = false;
  unsigned version = 0;
  std::string fileHash;
  unsigned partCount = 0;
  uint32_t tagCount = 0;
  uint64_t size = 0;
  /// "indexed", "one byte" or "none"; one-byte tags passed over.
  std::string gapNaming;
  uint32_t staleGapTags = 0;
  /// The line that says where the tags broke off; "" when they did not.
  std::string damage;
  /// A listing: every gap and what it did; a rewrite: the gaps it wrote.
  std::vector<GapReport> gaps;
  /// What the stored hashes can judge ("part hashes", "file hash", "none
  /// yet", "wrong count", "mismatch", "no size"), and the verdicts.
  std::string trust;
  std::vector<PartReport> parts;
  std::vector<CandidateReport> candidates;
  /// The parts an import took, and from where.
  std::vector<ImportReport> imported;
  std::optional<WrittenReport> written;
  uint64_t released = 0;
  uint64_t zeroed = 0;
  /// Every line the run said, without its line end.
  std::vector<std::string> messages;
  int exitStatus = 0;
};

/// The console of a run that keeps every line it is given in the report,
/// and passes it on to `shown` (the terminal's text), or to nobody where
/// the output is the report alone. A run that is reported waits for no key.
class ReportConsole : public Console {
 public:
  ReportConsole(DownloadReport& report, Console* shown) : report_(&report), shown_(shown) {}

  void Write(std::string_view text) override;
  bool MarkCursor() override {
    markAt_ = pending_.size();
    return shown_ && shown_->MarkCursor();
  }
  void RedrawFromMark() override {
    if (shown_) shown_->RedrawFromMark();
    // What was written since the mark is drawn over.
    if (markAt_ <= pending_.size()) pending_.resize(markAt_);
  }
  void WaitForKey() override {
    if (shown_) shown_->WaitForKey();
  }
  bool CanWaitForKey() override { return shown_ && shown_->CanWaitForKey(); }

  /// Starts a new record (the next download's); what was not ended by a
  /// line end goes to the record before as a line.
  void Use(DownloadReport& report);
  /// Ends the last line, if it was not ended.
  void Flush();

 private:
  DownloadReport* report_;
  Console* shown_;
  std::string pending_;
  size_t markAt_ = 0;
};
