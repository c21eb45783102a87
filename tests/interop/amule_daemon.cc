#include "tests/interop/amule_daemon.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "tests/interop/sparse_copy.h"
#include "tests/support/local_port.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr char kConnected[] = "Succeeded! Connection established";
// What the client logs once it takes remote commands, and once it has
// loaded every download of its temp folder.
constexpr char kListening[] = "(ECServer) listening on";
constexpr char kLoaded[] = "All PartFiles Loaded.";
constexpr int kStartAttempts = 5;
// Every wait below ends on what the client says or does. What the client
// may spend on the way is bounded by its own processor time, which a loaded
// machine does not shorten: one that works this long in one wait without
// getting there goes round in circles. Completing a 5 GB download takes it
// about a minute; on a loaded machine it takes longer, but not more of it.
constexpr double kHangProcessorSeconds = 300;
// aMule works out some completions only at a periodic tick of about 10 s,
// the first about 10 s after its start: a list is settled once it stayed the
// same over two ticks, and a few seconds more for a late one.
constexpr double kUnchangedSeconds = 25;
constexpr uint64_t kRemoteMicroseconds = 20000000;
constexpr uint64_t kStopGraceMicroseconds = 600000000;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Pause(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace

std::string FindProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    fs::path candidate = fs::path(folder) / name;
    std::error_code error;
    fs::file_status status = fs::status(candidate, error);
    if (!error && fs::is_regular_file(status) &&
        (status.permissions() & fs::perms::others_exec) != fs::perms::none)
      return candidate.string();
  }
  return "";
}

namespace {

std::string RandomPassword() {
  std::random_device random;
  std::string password;
  for (int i = 0; i < 24; ++i) password += "0123456789abcdef"[random() % 16];
  return password;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::optional<AmulePrograms> FindAmulePrograms(std::string* missing) {
  AmulePrograms programs{FindProgramOnPath("amuled"), FindProgramOnPath("amulecmd"),
                         FindProgramOnPath("md5sum")};
  *missing = programs.daemon.empty() ? "amuled"
             : programs.remote.empty() ? "amulecmd"
             : programs.md5sum.empty() ? "md5sum"
                                       : "";
  if (!missing->empty()) return std::nullopt;
  return programs;
}

AmuleDaemon::AmuleDaemon(const AmulePrograms& programs, const std::string& folder)
    : programs_(programs), folder_(folder) {}

AmuleDaemon::~AmuleDaemon() { Stop(); }

std::string AmuleDaemon::TempFolder() const { return (fs::path(folder_) / "Temp").string(); }

std::string AmuleDaemon::IncomingFolder() const {
  return (fs::path(folder_) / "Incoming").string();
}

std::string AmuleDaemon::Log() const {
  return ReadFileBytes((fs::path(folder_) / "logfile").string());
}

bool AmuleDaemon::WriteConfig(std::string* error) {
  // The client stores the MD5 of the remote control's password.
  const std::string passwordFile = (fs::path(folder_) / "remote-password").string();
  ProcessResult digest = WriteFileBytes(passwordFile, password_)
                             ? RunProcess({programs_.md5sum, passwordFile}, Within(kRemoteMicroseconds))
                             : ProcessResult{};
  if (digest.exitCode != 0 || digest.output.size() < 32) {
    *error = "md5sum failed: " + digest.output;
    return false;
  }
  std::ostringstream config;
  // Every network use off but the two listening sockets, both on 127.0.0.1:
  // the downloads' port (needed to run at all) and the remote control's.
  config << "[eMule]\n"
         << "Port=" << tcpPort_ << "\n"
         << "UDPPort=" << udpPort_ << "\n"
         << "UDPEnable=0\n"
         << "Address=127.0.0.1\n"
         << "Autoconnect=0\nReconnect=0\nConnectToKad=0\nConnectToED2K=0\n"
         << "UPnPEnabled=0\nServerlist=0\nAddServerListFromServer=0\n"
         << "AddServerListFromClient=0\nNewVersionCheck=0\nIPFilterAutoLoad=0\n"
         << "TempDir=" << TempFolder() << "\n"
         << "IncomingDir=" << IncomingFolder() << "\n"
         << "[ExternalConnect]\n"
         << "AcceptExternalConnections=1\n"
         << "ECAddress=127.0.0.1\n"
         << "ECPort=" << remotePort_ << "\n"
         << "ECPassword=" << digest.output.substr(0, 32) << "\n"
         << "UPnPECEnabled=0\n"
         << "[WebServer]\nEnabled=0\nUPnPWebServerEnabled=0\n";
  if (!WriteFileBytes((fs::path(folder_) / "amule.conf").string(), config.str())) {
    *error = "cannot write amule.conf in " + folder_;
    return false;
  }
  return true;
}

bool AmuleDaemon::StageDownloads(const std::vector<std::string>& metPaths, std::string* error) {
  std::error_code failure;
  for (const std::string& folder : {TempFolder(), IncomingFolder()}) {
    fs::remove_all(folder, failure);
    fs::create_directories(folder, failure);
  }
  for (const std::string& met : metPaths) {
    if (!EndsWith(met, ".part.met")) {
      *error = met + " is no metadata file";
      return false;
    }
    const std::string data = met.substr(0, met.size() - 4);
    const fs::path temp(TempFolder());
    if (!CopySparseKeepingTime(met, (temp / fs::path(met).filename()).string(), error) ||
        !CopySparseKeepingTime(data, (temp / fs::path(data).filename()).string(), error))
      return false;
  }
  for (const std::string& file : incomingFiles_) {
    if (!CopySparseKeepingTime(file, (fs::path(IncomingFolder()) / fs::path(file).filename()).string(),
                               error))
      return false;
  }
  return true;
}

std::string AmuleDaemon::RunRemote(const std::string& command) const {
  return RunProcess({programs_.remote, "-h", "127.0.0.1", "-p", std::to_string(remotePort_), "-P",
                     password_, "-c", command},
                    Within(kRemoteMicroseconds))
      .output;
}

bool AmuleDaemon::StartOnce(const std::vector<std::string>& metPaths, std::string* error,
                            bool* retry) {
  *retry = false;
  std::vector<uint16_t> ports = UnusedLocalPorts(3);
  if (ports.empty()) {
    *error = "no free port on 127.0.0.1";
    return false;
  }
  tcpPort_ = ports[0];
  udpPort_ = ports[1];
  remotePort_ = firstRemotePort_.value_or(ports[2]);
  firstRemotePort_.reset();
  ++attempts_;
  // A password of its own: should another client hold our port, we are
  // refused instead of judged by it.
  password_ = RandomPassword();
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  fs::remove(fs::path(folder_) / "logfile", ignored);
  if (!WriteConfig(error) || !StageDownloads(metPaths, error)) return false;
  const std::string output = (fs::path(folder_) / "amuled.out").string();
  if (!StartBackgroundProcess({programs_.daemon, "-c", folder_}, InFolder(folder_), output,
                              &process_)) {
    *error = "cannot start " + programs_.daemon;
    return false;
  }
  // The log says when the remote control listens or a port is taken; only
  // then is the remote control asked, until it answers.
  const double budget = ProcessorSeconds(process_) + kHangProcessorSeconds;
  for (;;) {
    if (!IsRunning(process_)) {
      *error = "amuled ended at start with status " + std::to_string(process_.exitCode) +
               "; its log:\n" + Log() + ReadFileBytes(output);
      return false;
    }
    // amuled does not end when a port is taken: it runs on without it.
    const std::string log = Log();
    if (Contains(log, "Could not listen for external connections") ||
        Contains(log, "Port " + std::to_string(tcpPort_) + " is not available")) {
      // Nothing to save: it goes at once, even if still busy with its start.
      StopBackgroundProcess(process_, 0);
      *error = "its log says a port is taken";
      *retry = true;
      return false;
    }
    if (Contains(log, kListening) && Contains(log, kLoaded) &&
        Contains(RunRemote("status"), kConnected))
      break;
    if (ProcessorSeconds(process_) > budget) {
      StopBackgroundProcess(process_, 0);
      *error = "amuled goes round in circles at its start; its log:\n" + Log();
      return false;
    }
    Pause(0.2);
  }
  readyAt_ = Now();
  return true;
}

bool AmuleDaemon::Start(const std::vector<std::string>& metPaths, std::string* error) {
  for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
    bool retry = false;
    if (StartOnce(metPaths, error, &retry)) return true;
    if (!retry) return false;
    retryReasons_.push_back(*error);
  }
  return false;
}

bool AmuleDaemon::WaitUntilShared(size_t count, std::string* error) {
  const double budget = ProcessorSeconds(process_) + kHangProcessorSeconds;
  for (;;) {
    // A shared file is listed as " > HASH path", its statistics on the next line.
    const std::string listing = RunRemote("show shared");
    std::istringstream lines(listing);
    size_t shared = 0;
    for (std::string line; std::getline(lines, line);) {
      shared += line.size() > 36 && line.compare(0, 3, " > ") == 0 &&
                line.find_first_not_of("0123456789ABCDEF", 3) == 35 && line[35] == ' ';
    }
    if (shared >= count) return true;
    if (!IsRunning(process_) || ProcessorSeconds(process_) > budget) {
      *error = "the client did not share " + std::to_string(count) + " files; it lists:\n" +
               listing + "its log:\n" + Log();
      return false;
    }
    Pause(1);
  }
}

DownloadList AmuleDaemon::ShowDownloads() const { return ParseShowDl(RunRemote("show dl")); }

std::optional<DownloadList> AmuleDaemon::WaitUntilSettled(std::string* error) const {
  if (readyAt_ == 0) {
    *error = "the client was not started";
    return std::nullopt;
  }
  const double budget = ProcessorSeconds(process_) + kHangProcessorSeconds;
  double unchangedSince = Now();
  std::optional<DownloadList> previous;
  for (;;) {
    DownloadList list = ShowDownloads();
    const double now = Now();
    // A busy client may leave a command unanswered now and then: that says
    // nothing about its downloads.
    if (list.connected) {
      bool busy = false;
      for (const ListedDownload& download : list.downloads)
        busy = busy || !download.percent || IsBusyStatus(download.status);
      if (busy || !previous || !(*previous == list))
        unchangedSince = now;
      else if (now - unchangedSince >= kUnchangedSeconds)
        return list;
      previous = list;
    }
    if (ProcessorSeconds(process_) > budget) {
      *error = "the client does not settle; it last listed:\n" + RunRemote("show dl");
      return std::nullopt;
    }
    Pause(1);
  }
}

bool AmuleDaemon::WaitForLogLine(const std::string& text, std::string* error) {
  const double budget = ProcessorSeconds(process_) + kHangProcessorSeconds;
  for (;;) {
    // Its end is seen before its log is read: all it logged before it counts.
    const bool ended = !IsRunning(process_);
    if (Contains(Log(), text)) return true;
    if (ended || ProcessorSeconds(process_) > budget) {
      *error = "the client did not log \"" + text + "\"" + (ended ? " and ended" : "") +
               "; its log:\n" + Log();
      return false;
    }
    Pause(0.5);
  }
}

bool AmuleDaemon::Stop() {
  if (process_.id == 0 || process_.ended) return false;
  bool clean = StopBackgroundProcess(process_, kStopGraceMicroseconds);
  return clean && process_.exitCode == 0;
}
