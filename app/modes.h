// The modes of the tool, one row each: the switch that asks for it, what it
// does to the metadata file, whether it gives space back or writes, the run
// that carries it out and its line in the help text. The switch conflicts,
// the help, the refusal of paths and the batch's summary all read the table:
// a new mode is one row and one run.
#pragma once

#include <string>
#include <vector>

#include "download/download.h"
#include "download/met_name.h"

/// Which mode a row is.
enum class ModeId { Listing, Complete, Rebuild, Check, Recover, Reopen, Import };

/// Carries a mode out on one loaded download: 0 when it did its job.
using ModeRun = int (*)(Download& download, RunContext& run);

/// Carries a mode out on the paths of the command line, for a mode that
/// reads them its own way: the exit status.
using PathsRun = int (*)(const std::vector<std::string>& paths, RunContext& run);

/// One row of the table.
struct Mode {
  ModeId id;
  /// Its name in the report.
  const char* name;
  /// The switch in both forms; none for the listing, which is the default.
  const char* dashName;
  const char* slashName;
  /// What it does with the metadata file it is given (Read, Clear, Rewrite).
  MetUse met;
  /// True when it gives disk space back: the batch's summary says how much.
  bool givesSpaceBack;
  /// True when it writes a file: a dry run then shows what it would write.
  bool writes;
  /// Its run over a batch of downloads; none for a mode that takes its
  /// own command line (a recovery: one download and maybe its link).
  ModeRun run;
  /// Its run on the paths as they are: always where there is no `run`, else
  /// where `takesPaths` says the paths are for it (--check of known.met).
  PathsRun runPaths = nullptr;
  bool (*takesPaths)(const std::vector<std::string>& paths) = nullptr;
  /// True when that run writes its own report objects (with --json).
  bool reportsItself = false;
  /// Its lines in the help text, the first beside the switch.
  std::vector<const char*> help;
};

/// The run that carries `mode` out on these paths: on them as they are, or
/// on the downloads they name (none).
PathsRun PathsRunOf(const Mode& mode, const std::vector<std::string>& paths);

/// Every mode, the listing first; the order of the help text.
const std::vector<Mode>& Modes();

/// The row of `id`.
const Mode& ModeOf(ModeId id);

/// A switch that changes how a mode works rather than choosing one.
struct Modifier {
  /// Its forms, the dash one first.
  std::vector<const char*> names;
  /// The modes it cannot go with: asked together, the run is refused.
  std::vector<ModeId> refusedWith;
  std::vector<const char*> help;
};

/// The modifiers: --nosparse, --dry-run, --json.
const std::vector<Modifier>& Modifiers();

/// The help text: the paths, every mode and modifier in both forms, the
/// environment and the exit statuses.
std::string HelpText();
