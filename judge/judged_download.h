// The part judgement of one download as "/rebuild" and "--check" run it:
// which hashes may judge, the data file read up to the download's size,
// and a verdict on every part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "met/met_file.h"
#include "met/met_image.h"
#include "judge/part_judgement.h"
#include "reading/part_hashing.h"
#include "report/download_report.h"

class Console;
class Disk;

/// How far the judgement got.
enum class JudgedState {
  /// Every part the hashes can judge has its verdict.
  Judged,
  /// The hashes cannot judge any part; the line that says why is printed.
  NotJudged,
  /// The data file could not be opened or read; the message is printed.
  Failed,
};

/// What the judgement found.
struct JudgedDownload {
  JudgedState state = JudgedState::Failed;
  HashTrust trust = HashTrust::NoSize;
  /// The data file's length.
  uint64_t dataLength = 0;
  /// One verdict a checked part, in part order, and what judged it.
  std::vector<PartVerdict> verdicts;
  std::vector<PartFinding> findings;
};

/// Judges the download's parts against `gaps`, printing what it finds: why
/// nothing can be judged, a data file longer or shorter than the download,
/// and a line a part. With `shared` the data file is only read, also while
/// a client holds it; else nobody may write it meanwhile.
JudgedDownload JudgeDownload(const MetImage& image, const MetFile& file, const GapTable& gaps,
                             const std::string& metPath, const std::string& partPath, bool shared,
                             Disk& disk, Console& console, DownloadReport* report = nullptr,
                             const PartHashOptions& options = {});

/// The words of the report for what the stored hashes can judge and for a verdict.
const char* TrustName(HashTrust trust);
const char* VerdictName(PartVerdict verdict);
