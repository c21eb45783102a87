#include "report/report_json.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

std::string Line(const Json& object) {
  return object.dump(-1, ' ', /*ensure_ascii=*/true, Json::error_handler_t::replace) + "\n";
}

Json GapsJson(const std::vector<GapReport>& gaps) {
  Json list = Json::array();
  for (const GapReport& gap : gaps) {
    Json item = {{"start", gap.start}, {"end", gap.end}, {"action", gap.action}};
    if (gap.released) item["released"] = gap.released;
    if (gap.zeroed) item["zeroed"] = gap.zeroed;
    if (gap.error) item["error"] = gap.error;
    list.push_back(std::move(item));
  }
  return list;
}

Json PartsJson(const std::vector<PartReport>& parts) {
  Json list = Json::array();
  for (const PartReport& part : parts) {
    Json item = {{"part", part.part}, {"md4", part.md4}, {"verdict", part.verdict}};
    if (part.md4Judged) item["md4Agrees"] = part.md4Agrees;
    if (part.aichJudged) item["aichAgrees"] = part.aichAgrees;
    list.push_back(std::move(item));
  }
  return list;
}

Json CandidatesJson(const std::vector<CandidateReport>& candidates) {
  Json list = Json::array();
  for (const CandidateReport& candidate : candidates) {
    Json item = {{"path", candidate.path}, {"state", candidate.state}};
    if (!candidate.fault.empty()) item["fault"] = candidate.fault;
    if (!candidate.fileHash.empty()) item["fileHash"] = candidate.fileHash;
    if (candidate.savedAt) item["savedAt"] = candidate.savedAt;
    item["taken"] = candidate.taken;
    list.push_back(std::move(item));
  }
  return list;
}

}  // namespace

std::string DownloadReportJson(const DownloadReport& report) {
  Json object = {{"type", "download"}, {"mode", report.mode}, {"metPath", report.metPath}};
  if (!report.dataPath.empty()) object["dataPath"] = report.dataPath;
  object["dryRun"] = report.dryRun;
  if (report.headerRead) {
    object["header"] = {{"version", report.version}, {"fileHash", report.fileHash},
                        {"partCount", report.partCount}, {"tagCount", report.tagCount}};
    object["size"] = report.size;
    object["gapNaming"] = report.gapNaming;
    if (report.staleGapTags) object["staleGapTags"] = report.staleGapTags;
  }
  if (!report.damage.empty()) object["damage"] = report.damage;
  object["gaps"] = GapsJson(report.gaps);
  if (!report.trust.empty()) object["trust"] = report.trust;
  if (!report.parts.empty()) object["parts"] = PartsJson(report.parts);
  if (!report.candidates.empty()) object["candidates"] = CandidatesJson(report.candidates);
  if (!report.imported.empty()) {
    Json list = Json::array();
    for (const ImportReport& part : report.imported) list.push_back({{"part", part.part}, {"source", part.source}});
    object["imported"] = list;
  }
  if (report.written) {
    const WrittenReport& written = *report.written;
    object["written"] = {{"path", written.path}, {"bytes", written.bytes},
                         {"created", written.created}, {"dryRun", written.dryRun}};
  }
  object["released"] = report.released;
  object["zeroed"] = report.zeroed;
  object["messages"] = report.messages;
  object["exitStatus"] = report.exitStatus;
  return Line(object);
}

std::string BatchReportJson(const BatchReport& batch) {
  Json object = {{"type", "batch"},       {"downloads", batch.downloads},
                 {"done", batch.done},    {"failed", batch.failed},
                 {"emptyFolders", batch.emptyFolders}, {"released", batch.released},
                 {"zeroed", batch.zeroed}, {"exitStatus", batch.exitStatus}};
  return Line(object);
}
