// A private aMule daemon (amuled) that judges the files partsweep wrote:
// it loads the downloads it finds in its temp folder at start, lists them
// through its remote control (amulecmd), and saves them again when it stops.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/interop/show_dl.h"

/// The programs a judging session needs, by their full paths.
struct AmulePrograms {
  /// amuled, the client without a window (Debian package amule-daemon).
  std::string daemon;
  /// amulecmd, its remote control (Debian package amule-utils).
  std::string remote;
  /// md5sum, for the remote control's password as the client stores it.
  std::string md5sum;
};

/// The full path of the program `name` on the PATH, or "" where there is none.
std::string FindProgramOnPath(const std::string& name);

/// Looks the programs up on the PATH; nothing when one is missing, with its
/// name in `missing`.
std::optional<AmulePrograms> FindAmulePrograms(std::string* missing);

/// One amuled with a configuration folder of its own, bound to 127.0.0.1
/// only, without servers, Kad, UPnP, UDP or web server, its remote control
/// on a free port with a random password. Stopped when the object goes,
/// also when a test fails half-way.
class AmuleDaemon {
 public:
  /// Uses `folder` (empty, absolute) for the configuration, the log, and the
  /// client's temp and incoming folders.
  AmuleDaemon(const AmulePrograms& programs, const std::string& folder);
  ~AmuleDaemon();
  AmuleDaemon(const AmuleDaemon&) = delete;
  AmuleDaemon& operator=(const AmuleDaemon&) = delete;

  /// Copies the downloads (each X.part.met with its X.part, the data file
  /// keeping its time) into the client's temp folder and starts amuled,
  /// until it has loaded them and answers. Tries new ports when its log says
  /// one was taken meanwhile. False with the reason in `error`.
  bool Start(const std::vector<std::string>& metPaths, std::string* error);

  /// Files to copy into the Incoming folder (keeping their times) before
  /// each start. aMule shares that folder without being told and hashes, at
  /// its start, every file of it that it has no record of; only a file that
  /// is there then, not hidden and not empty is hashed.
  void ShareFromIncoming(const std::vector<std::string>& paths) { incomingFiles_ = paths; }

  /// Waits until the client lists `count` shared files, each hashed; false
  /// (with the reason in `error`) when it hangs first. It writes a file's
  /// block hashes to known2_64.met as it hashes it, known.met when it stops.
  bool WaitUntilShared(size_t count, std::string* error);

  /// The downloads as the client lists them now.
  DownloadList ShowDownloads() const;

  /// Waits until the client has settled: nothing is hashed or completed,
  /// and its list stayed the same over two of its periodic ticks. Gives that
  /// list, or nothing (with the reason in `error`) when the client hangs.
  std::optional<DownloadList> WaitUntilSettled(std::string* error) const;

  /// Waits until the client's log holds `text`; false (with the reason in
  /// `error`) when it ended or hangs first.
  bool WaitForLogLine(const std::string& text, std::string* error);

  /// Stops amuled, which saves every download first; true when it stopped
  /// cleanly, false when it had to be killed or was not running.
  bool Stop();

  /// The configuration folder, which holds known.met and amule.conf.
  std::string ConfigFolder() const { return folder_; }
  /// The client's temp folder, where the downloads are.
  std::string TempFolder() const;
  /// The folder where the client moves a completed download.
  std::string IncomingFolder() const;
  /// What amuled has logged so far.
  std::string Log() const;
  /// The port of the remote control, once started.
  uint16_t RemotePort() const { return remotePort_; }
  /// How many starts it took, each on other ports.
  int Attempts() const { return attempts_; }
  /// Why each start but the last was given up, in order.
  const std::vector<std::string>& RetryReasons() const { return retryReasons_; }
  /// Makes the first start use this port for the remote control, so that a
  /// test can hand it one that is taken.
  void UseRemotePortFirst(uint16_t port) { firstRemotePort_ = port; }

 private:
  /// One start on fresh ports; `retry` tells whether other ports may help.
  bool StartOnce(const std::vector<std::string>& metPaths, std::string* error, bool* retry);
  /// Writes amule.conf for the current ports and password.
  bool WriteConfig(std::string* error);
  /// Empties the temp and incoming folders and copies the downloads in.
  bool StageDownloads(const std::vector<std::string>& metPaths, std::string* error);
  /// Runs one remote-control command and gives what it printed.
  std::string RunRemote(const std::string& command) const;

  AmulePrograms programs_;
  std::string folder_;
  std::string password_;
  uint16_t tcpPort_ = 0;
  uint16_t udpPort_ = 0;
  uint16_t remotePort_ = 0;
  std::optional<uint16_t> firstRemotePort_;
  int attempts_ = 0;
  std::vector<std::string> retryReasons_;
  std::vector<std::string> incomingFiles_;
  BackgroundProcess process_;
  double readyAt_ = 0;
};
