// What the check of a client's shared files and the reopening of one say.
#pragma once

constexpr char kMsgKnownRecords[] = "'%s': %u files recorded\n";
constexpr char kMsgKnownProblem[] = "Error: '%s' cannot be read: %s\n";
constexpr char kMsgKnownDamage[] = "'%s': %s\n";
constexpr char kMsgKnownFolders[] = "Looked for in: %s\n";
constexpr char kMsgKnownNoFolders[] =
    "Error: no folder to look in: name the folders of the shared files, or keep the client's "
    "configuration (amule.conf or preferences.ini) beside '%s'.\n";
constexpr char kMsgClientProblem[] = "%s\n";
constexpr char kMsgSharedSound[] = "'%s': %ssound\n";
constexpr char kMsgSharedCorrupt[] = "'%s': %scorrupt, parts %s%s\n";
constexpr char kMsgSharedNotFound[] = "'%s': not found\n";
constexpr char kMsgSharedNotJudged[] = "'%s': not judged: %s\n";
constexpr char kMsgSharedChanged[] = "changed since the client hashed it, ";
constexpr char kMsgSharedSummary[] =
    "Shared files: %u sound, %u corrupt, %u not found, %u not judged; %u changed since the client "
    "hashed them\n";

constexpr char kMsgReopenUsage[] =
    "Error: --reopen takes the client's known.met, the damaged file and, if the client's "
    "configuration does not name it, its Temp folder: partsweep --reopen known.met FILE "
    "[TEMP_FOLDER]\n";
constexpr char kMsgReopenNoFile[] = "Error: '%s' cannot be found (Error %d): nothing is written.\n";
constexpr char kMsgReopenNoRecord[] =
    "Error: '%s' is not in '%s': no record has its name and size, nothing is written.\n";
constexpr char kMsgReopenBadRecord[] = "Error: '%s' cannot be judged: %s. Nothing is written.\n";
constexpr char kMsgReopenSound[] = "'%s' is sound: it is left where it is.\n";
constexpr char kMsgReopenCorrupt[] = "'%s' is corrupt, parts %s: it becomes a download of them.\n";
constexpr char kMsgReopenNoTemp[] =
    "Error: no Temp folder: '%s' is none, and the configuration beside '%s' names none. Give the "
    "client's Temp folder; nothing is written.\n";
constexpr char kMsgReopenOtherDevice[] =
    "Error: '%s' and the Temp folder '%s' are on different file systems: partsweep only renames "
    "a file, so nothing is written. Move the file onto the Temp folder's file system first.\n";
constexpr char kMsgReopenNoNumber[] = "Error: '%s' holds downloads 001 to 999: nothing is written.\n";
constexpr char kMsgReopenWouldMove[] = "'%s' would be moved to '%s'.\n";
constexpr char kMsgReopenCannotMove[] =
    "Error: can't move '%s' to '%s' (Error %d): nothing is written.\n";
constexpr char kMsgReopenMovedBack[] = "'%s' is back where it was.\n";
constexpr char kMsgReopenLeftAt[] =
    "Error: '%s' could not be moved back: it is '%s', with no metadata file.\n";
constexpr char kMsgReopened[] =
    "'%s' is the download '%s' now. Start the client: it fetches the corrupt parts again.\n";
