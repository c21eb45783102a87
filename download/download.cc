#include "download/download.h"

#include "download/data_file.h"
#include "download/download_messages.h"
#include "download/met_install.h"
#include "download/met_loader.h"
#include "met/met_header.h"
#include "platform/console.h"

namespace {

std::optional<FileStatus> StatusOf(Disk& disk, const std::string& path) {
  FileStatus status;
  if (path.empty() || disk.StatusOf(path, &status) != 0) return std::nullopt;
  return status;
}

}  // namespace

std::optional<Download> LoadDownload(const std::string& metPath, MetUse use, bool waitForKey,
                                     RunContext& run) {
  Disk& disk = run.disk;
  Console& console = run.console;
  if (run.report) run.report->metPath = metPath;
  const std::string refusal = MetPathRefusal(metPath, use, disk);
  if (!refusal.empty()) {
    console.Write(refusal);
    return std::nullopt;
  }
  std::optional<MetImage> image = LoadMetImage(metPath, disk, console, waitForKey);
  if (!image) return std::nullopt;
  const std::optional<FileStatus> metStatus = StatusOf(disk, metPath);
  MetDecode decoded = DecodeMetFile(*image);
  if (!decoded.file) {
    console.Write(decoded.problem);
    if (use == MetUse::Rewrite) ReportUnchanged(metPath, console);
    return std::nullopt;
  }
  Download download = DownloadOfImage(metPath, std::move(*image), std::move(*decoded.file), disk);
  download.metStatus = metStatus;
  ReportDownload(download, run);
  return download;
}

void ReportDownload(const Download& download, RunContext& run) {
  DownloadReport* report = run.report;
  if (!report) return;
  const MetFile& file = download.file;
  report->metPath = download.metPath;
  report->dataPath = download.partPath;
  report->headerRead = true;
  report->version = file.header.version;
  report->fileHash = HashText(file.header.fileHash);
  report->partCount = file.header.partCount;
  report->tagCount = file.header.tagCount;
  report->size = file.fileSize;
  report->gapNaming = file.gapNaming == GapNaming::Indexed   ? "indexed"
                      : file.gapNaming == GapNaming::OneByte ? "one byte"
                                                             : "none";
  report->staleGapTags = file.staleGapTags;
  report->damage = file.damage;
}

Download DownloadOfImage(const std::string& metPath, MetImage image, MetFile file, Disk& disk) {
  Download download;
  download.metPath = metPath;
  download.image = std::move(image);
  download.file = std::move(file);
  download.partPath =
      FindDataFile(metPath, download.file.partFileNames, disk, &download.dataNotes);
  download.data = StatusOf(disk, download.partPath);
  return download;
}

std::optional<uint32_t> DataFileTime(const Download& download) {
  if (!download.data || !download.data->timed) return std::nullopt;
  FileTimes times;
  times.modify = download.data->modified;
  const int64_t seconds = ModifiedUnixSeconds(times);
  if (seconds < 0 || seconds > 0xFFFFFFFFll) return std::nullopt;
  return static_cast<uint32_t>(seconds);
}

std::string GapNamingLine(const MetFile& file, bool oneByteToo) {
  if (file.staleGapTags != 0) return Format(kMsgStaleGapTags, file.staleGapTags);
  if (oneByteToo && file.gapNaming == GapNaming::OneByte) return kMsgOneByteGapTags;
  return "";
}

std::string JudgingHeader(const Download& download) {
  return HeaderLines(download.image, download.file.header, /*partHashes=*/true) +
         GapNamingLine(download.file, /*oneByteToo=*/true);
}

std::string RehashLine(const Download& download) {
  const std::optional<uint32_t> noted = DataFileTimeStamp(download.file.header);
  const std::optional<uint32_t> now = DataFileTime(download);
  if (!noted || !now || *noted == *now) return "";
  return Format(kMsgRehash, download.partPath.c_str());
}
