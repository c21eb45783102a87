// A download as every mode works on it: its metadata file loaded and
// decoded once, and what the system says of its two files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "download/met_name.h"
#include "met/met_file.h"
#include "met/met_image.h"
#include "platform/disk.h"
#include "reading/part_hashing.h"
#include "report/download_report.h"

class Console;

/// One download, loaded.
struct Download {
  std::string metPath;
  MetImage image;
  MetFile file;
  /// The metadata file as it was read: a write-back replaces only that
  /// file, never one another program put there meanwhile.
  std::optional<FileStatus> metStatus;
  /// The data file the clients read for it; "" when none is known.
  std::string partPath;
  /// What finding it said (a name tag not followed), for the modes that tell it.
  std::string dataNotes;
  /// What the system says of the data file, where it exists.
  std::optional<FileStatus> data;
};

/// What every mode's run is given besides its download.
struct RunContext {
  Disk& disk;
  Console& console;
  /// Zero-fill the gaps rather than release them.
  bool nosparse = false;
  /// Show what would be written, and write nothing.
  bool dryRun = false;
  /// How every part check of the run hashes: the reading the environment
  /// forces, read once for the run.
  PartHashOptions hashing{};
  /// What a listing gave back, and overwrote with zeros, for the batch's summary.
  uint64_t cleared = 0;
  uint64_t zeroed = 0;
  /// The record of the download under way, where the run keeps one.
  DownloadReport* report = nullptr;
  /// With --json, where a mode that reports itself puts each line of the
  /// report; none otherwise.
  std::function<void(const std::string&)> emit{};
};

/// Loads and decodes the download that `metPath` names for `use`. A name
/// the use does not take, a file that cannot be loaded (with a key wait
/// where `waitForKey`) or whose header cannot be read gives nothing, after
/// the message (and, for a rewrite, the line that the file is unchanged).
std::optional<Download> LoadDownload(const std::string& metPath, MetUse use, bool waitForKey,
                                     RunContext& run);

/// Notes the download's header, names and paths in the run's report.
void ReportDownload(const Download& download, RunContext& run);

/// Makes a download of a metadata file built in memory (`image`, `file`)
/// for the metadata path `metPath`, whose data file is named like it.
Download DownloadOfImage(const std::string& metPath, MetImage image, MetFile file, Disk& disk);

/// The data file's modification time in Unix seconds, as a header notes it;
/// nothing where it is unknown or no header can hold it (before 1970, after
/// 2106).
std::optional<uint32_t> DataFileTime(const Download& download);

/// The lines a mode that judges or rewrites shows first: the header with its
/// part hashes, and the gap tags passed over.
std::string JudgingHeader(const Download& download);

/// The line that says how the gap tags were read, where that is not the
/// clients' plain way: one-byte tags passed over beside indexed ones, or
/// (with `oneByteToo`) a file with one-byte tags alone. "" otherwise.
std::string GapNamingLine(const MetFile& file, bool oneByteToo);

/// The line that says the client will hash the download again on its next
/// start, where the data file's time differs from the header's; "" where it
/// does not or cannot be told.
std::string RehashLine(const Download& download);
