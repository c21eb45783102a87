#include "recover/met_candidates.h"

#include <cstring>
#include <ctime>
#include <optional>

#include "download/met_loader.h"
#include "recover/recover_messages.h"
#include "met/met_header.h"
#include "met/met_soundness.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

// Where the numbered backups stop being looked for.
constexpr unsigned kMaxNumberedBackups = 100000;

bool Exists(Disk& disk, const std::string& path) {
  FileIdentity identity;
  return IdentifyPath(disk, path, &identity) == 0;
}

std::string SavedAt(uint32_t timeStamp) {
  if (timeStamp == 0) return "at an unknown time";
  const std::time_t seconds = static_cast<std::time_t>(timeStamp);
  const std::tm* utc = std::gmtime(&seconds);
  char text[32] = "";
  if (!utc || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", utc)) return "?";
  return text;
}

bool SameHash(const MetCandidate& a, const MetCandidate& b) {
  return std::memcmp(a.file.header.fileHash, b.file.header.fileHash, 16) == 0;
}

}  // namespace

std::vector<std::string> CandidatePaths(const std::string& metPath, Disk& disk) {
  std::vector<std::string> paths{metPath};
  for (const char* suffix : {".backup", ".bak", ".old"}) {
    if (Exists(disk, metPath + suffix)) paths.push_back(metPath + suffix);
  }
  for (unsigned number = 0; number < kMaxNumberedBackups; ++number) {
    const std::string name = metPath + Format(".%03u", number);
    if (!Exists(disk, name)) break;
    paths.push_back(name);
  }
  return paths;
}

std::vector<MetCandidate> LookAtCandidates(const std::vector<std::string>& paths, Disk& disk,
                                           Console& console, DownloadReport* report) {
  std::vector<MetCandidate> sound;
  auto note = [report](const std::string& path, const char* state, const std::string& fault) {
    if (report) report->candidates.push_back(CandidateReport{path, state, fault});
  };
  for (const std::string& path : paths) {
    if (!Exists(disk, path)) {
      Print(console, kMsgLookedMissing, path.c_str());
      note(path, "missing", "");
      continue;
    }
    std::optional<MetImage> image = LoadMetImage(path, disk, console, /*waitForKey=*/false);
    if (!image) {
      Print(console, kMsgLookedUnreadable, path.c_str());
      note(path, "unreadable", "");
      continue;
    }
    MetSoundness checked = CheckMetSoundness(*image);
    if (!checked.file) {
      Print(console, kMsgLookedDamaged, path.c_str(), checked.fault.c_str());
      note(path, "damaged", checked.fault);
      continue;
    }
    MetCandidate candidate{path, std::move(*image), std::move(*checked.file), 0};
    candidate.timeStamp = DataFileTimeStamp(candidate.file.header).value_or(0);
    Print(console, kMsgLookedSound, path.c_str(), HashText(candidate.file.header.fileHash).c_str(),
          SavedAt(candidate.timeStamp).c_str());
    if (report)
      report->candidates.push_back(CandidateReport{path, "sound", "", HashText(candidate.file.header.fileHash),
                                                   candidate.timeStamp});
    sound.push_back(std::move(candidate));
  }
  return sound;
}

int ChooseCandidate(const std::vector<MetCandidate>& candidates, Console& console) {
  for (const MetCandidate& candidate : candidates) {
    if (SameHash(candidate, candidates.front())) continue;
    Print(console, kMsgHashesDisagree, HashText(candidates.front().file.header.fileHash).c_str(),
          candidates.front().path.c_str(), HashText(candidate.file.header.fileHash).c_str(),
          candidate.path.c_str());
    return -1;
  }
  int winner = 0;
  for (size_t i = 1; i < candidates.size(); ++i) {
    if (candidates[i].timeStamp > candidates[winner].timeStamp) winner = static_cast<int>(i);
  }
  Print(console, kMsgTaken, candidates[winner].path.c_str(),
        candidates.size() > 1 ? "the newest time stamp" : "the only sound file");
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (static_cast<int>(i) == winner) continue;
    Print(console, kMsgNotTaken, candidates[i].path.c_str(),
          candidates[i].timeStamp < candidates[winner].timeStamp
              ? "an older time stamp"
              : "the same time stamp as the one taken, which comes first");
  }
  return winner;
}
