#include "known/shared_check.h"

#include <nlohmann/json.hpp>

#include "known/client_config.h"
#include "known/client_files.h"
#include "known/known_messages.h"
#include "platform/console.h"
#include "platform/path.h"

namespace {

using Json = nlohmann::ordered_json;

std::string JoinedParts(const std::vector<uint32_t>& parts) {
  std::string text;
  for (uint32_t part : parts) text += (text.empty() ? "" : ",") + std::to_string(part);
  return text;
}

// " (AICH blocks that differ: part 3: 12,13; part 7: 40)", or "".
std::string BlocksText(const SharedVerdict& verdict) {
  if (verdict.badBlocks.empty()) return "";
  std::string text = " (AICH blocks that differ:";
  for (size_t i = 0; i < verdict.badBlocks.size(); ++i)
    text += (i ? "; part " : " part ") + std::to_string(verdict.badBlocks[i].first) + ": " +
            JoinedParts(verdict.badBlocks[i].second);
  return text + ")";
}

// The folders to look in: those given, else the client's as its
// configuration beside known.met names them.
std::vector<std::string> Folders(const std::vector<std::string>& paths, Disk& disk, Console& console) {
  if (paths.size() > 1) return {paths.begin() + 1, paths.end()};
  const ClientFolders client = ReadClientFolders(disk, RemoveFileSpec(paths[0]));
  for (const std::string& problem : client.problems) Print(console, kMsgClientProblem, problem.c_str());
  std::vector<std::string> folders;
  if (client.client == ClientKind::None) return folders;
  if (!client.incoming.empty()) folders.push_back(client.incoming);
  folders.insert(folders.end(), client.shared.begin(), client.shared.end());
  return folders;
}

std::string Quoted(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "'" : ", '") + folder + "'";
  return text;
}

const char* StateName(SharedVerdict::State state) {
  switch (state) {
    case SharedVerdict::State::Sound: return "sound";
    case SharedVerdict::State::Corrupt: return "corrupt";
    case SharedVerdict::State::NotFound: return "not found";
    case SharedVerdict::State::NotJudged: return "not judged";
  }
  return "";
}

// A file's object in the report.
std::string FileJson(const SharedFile& shared, const SharedVerdict& verdict) {
  const KnownFile& record = *shared.record;
  Json object = {{"type", "shared file"}, {"record", record.record}, {"name", record.name}};
  if (record.size) object["size"] = *record.size;
  if (!shared.path.empty()) object["path"] = shared.path;
  object["state"] = StateName(verdict.state);
  if (verdict.state == SharedVerdict::State::Sound || verdict.state == SharedVerdict::State::Corrupt)
    object["changed"] = verdict.changed;
  if (!verdict.corruptParts.empty()) object["corruptParts"] = verdict.corruptParts;
  if (!verdict.badBlocks.empty()) {
    Json blocks = Json::array();
    for (const auto& part : verdict.badBlocks) blocks.push_back({{"part", part.first}, {"blocks", part.second}});
    object["badBlocks"] = blocks;
  }
  if (!verdict.why.empty()) object["why"] = verdict.why;
  return object.dump(-1, ' ', true, Json::error_handler_t::replace) + "\n";
}

// The counts of the run, for its summary.
struct Tally {
  unsigned sound = 0, corrupt = 0, notFound = 0, notJudged = 0, changed = 0;
};

void Count(Tally& tally, const SharedVerdict& verdict) {
  switch (verdict.state) {
    case SharedVerdict::State::Sound: ++tally.sound; break;
    case SharedVerdict::State::Corrupt: ++tally.corrupt; break;
    case SharedVerdict::State::NotFound: ++tally.notFound; break;
    case SharedVerdict::State::NotJudged: ++tally.notJudged; break;
  }
  tally.changed += verdict.changed;
}

// Says what became of one file.
void Tell(const SharedFile& shared, const SharedVerdict& verdict, Console& console) {
  const std::string& shown = shared.path.empty() ? shared.record->name : shared.path;
  const char* changed = verdict.changed ? kMsgSharedChanged : "";
  switch (verdict.state) {
    case SharedVerdict::State::Sound: Print(console, kMsgSharedSound, shown.c_str(), changed); break;
    case SharedVerdict::State::Corrupt:
      Print(console, kMsgSharedCorrupt, shown.c_str(), changed, JoinedParts(verdict.corruptParts).c_str(),
            BlocksText(verdict).c_str());
      break;
    case SharedVerdict::State::NotFound: Print(console, kMsgSharedNotFound, shown.c_str()); break;
    case SharedVerdict::State::NotJudged:
      Print(console, kMsgSharedNotJudged, shown.c_str(), verdict.why.c_str());
      break;
  }
}

}  // namespace

bool NamesKnownMet(const std::string& path) {
  return EndsWithIgnoringCase(path, "known.met") &&
         (path.size() == 9 || IsPathSeparator(path[path.size() - 10]));
}

int RunSharedCheck(const std::vector<std::string>& paths, RunContext& run) {
  Disk& disk = run.disk;
  Console& console = run.console;
  const std::string& knownPath = paths[0];
  const KnownMet known = LoadKnownMet(disk, knownPath);
  if (!known.problem.empty()) {
    Print(console, kMsgKnownProblem, knownPath.c_str(), known.problem.c_str());
    return 1;
  }
  Print(console, kMsgKnownRecords, knownPath.c_str(), static_cast<unsigned>(known.files.size()));
  if (!known.damage.empty()) Print(console, kMsgKnownDamage, knownPath.c_str(), known.damage.c_str());
  const std::vector<std::string> folders = Folders(paths, disk, console);
  if (folders.empty()) {
    Print(console, kMsgKnownNoFolders, knownPath.c_str());
    return 1;
  }
  Print(console, kMsgKnownFolders, Quoted(folders).c_str());
  const std::vector<SharedFile> files = FindSharedFiles(known, folders, disk);
  // The block hashes, where the client keeps them, name a corrupt part's bad blocks.
  OpenResult known2 = disk.OpenShared(AppendPath(RemoveFileSpec(knownPath), "known2_64.met"));
  Known2Index index;
  if (known2.ok()) index = IndexKnown2Met(disk, known2.file);
  const BlockHashes blocks{known2.ok() ? &known2.file : nullptr, known2.ok() ? &index : nullptr};
  Tally tally;
  JudgeSharedFiles(files, disk, blocks, run.hashing, [&](size_t i, const SharedVerdict& verdict) {
    Count(tally, verdict);
    Tell(files[i], verdict, console);
    if (run.emit) run.emit(FileJson(files[i], verdict));
  });
  Print(console, kMsgSharedSummary, tally.sound, tally.corrupt, tally.notFound, tally.notJudged, tally.changed);
  const int status = tally.corrupt != 0 ? 1 : 0;
  if (run.emit) {
    const Json summary = {{"type", "shared check"}, {"knownMet", knownPath},   {"folders", folders},
                          {"sound", tally.sound},   {"corrupt", tally.corrupt}, {"notFound", tally.notFound},
                          {"notJudged", tally.notJudged}, {"changed", tally.changed}, {"exitStatus", status}};
    run.emit(summary.dump(-1, ' ', true, Json::error_handler_t::replace) + "\n");
  }
  return status;
}
