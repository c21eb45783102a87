#include "app/modes.h"

#include "download/complete.h"
#include "gaps/listing.h"
#include "import/part_import.h"
#include "judge/rebuild.h"
#include "known/reopen.h"
#include "known/shared_check.h"
#include "recover/met_recovery.h"
#include "platform/console.h"

namespace {

// A switch's column in the help text.
std::string SwitchColumn(const char* first, const char* second) {
  return Format("  %-11s %-11s ", first, second);
}

void AppendHelp(std::string& text, const std::string& column, const std::vector<const char*>& help) {
  for (size_t i = 0; i < help.size(); ++i)
    text += (i == 0 ? column : std::string(column.size(), ' ')) + help[i] + "\n";
}

}  // namespace

// True when the first path is a client's known.met: --check then checks
// the files it records.
bool NamesTheClientsRecord(const std::vector<std::string>& paths) {
  return !paths.empty() && NamesKnownMet(paths[0]);
}

const std::vector<Mode>& Modes() {
  static const std::vector<Mode> modes = {
      {ModeId::Listing, "list", nullptr, nullptr, MetUse::Clear, true, true, RunListing, nullptr,
       nullptr, false, {"list the gaps and give their space back"}},
      {ModeId::Complete, "complete", "--complete", "/complete", MetUse::Rewrite, false, true,
       RunComplete, nullptr, nullptr, false, {"rewrite the metadata file without its gaps"}},
      {ModeId::Rebuild, "rebuild", "--rebuild", "/rebuild", MetUse::Rewrite, false, true, RunRebuild,
       nullptr, nullptr, false,
       {"check every complete part against its MD4 hash, turn",
        "corrupt parts into gaps, rewrite the metadata file"}},
      {ModeId::Check, "check", "--check", "/check", MetUse::Read, false, false, RunCheck,
       RunSharedCheck, NamesTheClientsRecord, true,
       {"check the parts as --rebuild does, but write nothing;",
        "given a client's known.met, check the completed files",
        "it records: partsweep --check known.met [FOLDER...]"}},
      {ModeId::Recover, "recover", "--recover", "/recover", MetUse::Rewrite, false, true, nullptr,
       RunRecovery, nullptr, false,
       {"bring back a damaged or lost metadata file from its",
        "backups: partsweep --recover X.part.met, or build it",
        "from an ed2k link: partsweep --recover X.part 'ed2k://...'"}},
      {ModeId::Reopen, "reopen", "--reopen", "/reopen", MetUse::Rewrite, false, true, nullptr,
       RunReopen, nullptr, false,
       {"make a damaged completed file a download again, so that",
        "the client fetches only its bad parts:",
        "partsweep --reopen known.met FILE [TEMP_FOLDER]"}},
      {ModeId::Import, "import", "--import", "/import", MetUse::Rewrite, false, true, nullptr,
       RunImport, nullptr, false,
       {"take the parts a download lacks from other copies of it,",
        "each only where it hashes right:",
        "partsweep --import SOURCE... X.part.met"}},
  };
  return modes;
}

PathsRun PathsRunOf(const Mode& mode, const std::vector<std::string>& paths) {
  if (!mode.runPaths) return nullptr;
  if (!mode.run || (mode.takesPaths && mode.takesPaths(paths))) return mode.runPaths;
  return nullptr;
}

const Mode& ModeOf(ModeId id) {
  for (const Mode& mode : Modes()) {
    if (mode.id == id) return mode;
  }
  return Modes().front();
}

const std::vector<Modifier>& Modifiers() {
  static const std::vector<Modifier> modifiers = {
      {{"--nosparse", "/nosparse"}, {ModeId::Recover, ModeId::Reopen, ModeId::Import},
       {"give it back by writing zeros, not by releasing it"}},
      {{"--dry-run", "-n"}, {},
       {"show what a mode would clear or write, and do nothing:",
        "no file is opened for writing"}},
      {{"--json"}, {},
       {"print what was found and done as JSON Lines, one",
        "object a download and one for the batch, for programs"}},
  };
  return modifiers;
}

std::string HelpText() {
  std::string text =
      "eMule .part file partsweep v1.4.\n"
      "Usage: partsweep [switches] <part.met file | folder>...\n"
      "\n"
      "Lists the gaps of every download named and gives their disk space back, or\n"
      "rewrites its metadata file. Stop the client first.\n"
      "\n"
      "Paths:\n"
      "  X.part.met      the metadata file of a download, whose data file is X.part\n"
      "  X.part.met.old  a backup of one (also .bak, .backup, .000, .001 ...): read as\n"
      "                  the download's metadata file by --check, never cleared or\n"
      "                  rewritten\n"
      "  folder          every *.part.met in it, in the order of their names\n"
      "  Several paths are worked on in turn; on Windows * and ? are expanded too.\n"
      "\n"
      "Switches, in either form and any case:\n";
  std::vector<std::string> exclusive;
  for (const Mode& mode : Modes()) {
    if (!mode.dashName) {
      AppendHelp(text, Format("  %-23s ", "(none)"), mode.help);
      for (const Modifier& modifier : Modifiers()) {
        AppendHelp(text, SwitchColumn(modifier.names[0], modifier.names.size() > 1 ? modifier.names[1] : ""),
                   modifier.help);
      }
      continue;
    }
    AppendHelp(text, SwitchColumn(mode.dashName, mode.slashName), mode.help);
    exclusive.push_back(mode.dashName);
  }
  text += SwitchColumn("-h --help", "-? /?") + "print this text\n";
  text += Format("  %-23s ", "-V --version") + "print the version\n";
  text += Format("  %-23s ", "--") + "end the switches: every argument after it is a path\n";
  text += " ";
  for (size_t i = 0; i < exclusive.size(); ++i)
    text += (i == 0 ? " " : i + 1 == exclusive.size() ? " and " : ", ") + exclusive[i];
  text += " cannot be used together.\n";
  text +=
      "\n"
      "Environment:\n"
      "  PARTSWEEP_READS=parallel|sequential\n"
      "                          how --rebuild and --check read the parts; unset,\n"
      "                          as the storage suits\n"
      "\n"
      "Exit status: 0 when every download was done, 1 after a failure, 255 after a\n"
      "mistake on the command line.\n";
  return text;
}
