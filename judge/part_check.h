// The check of "/rebuild" and "--check": every part hashed and judged, and
// for "/rebuild" the gaps repaired by the verdicts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "judge/part_judgement.h"
#include "reading/part_hashing.h"

class Console;
class Disk;
class File;

/// Hashes the parts the judgement checks (never past the download's size)
/// on every core, judges each and prints its digest with the verdict, in
/// part order as soon as a part and all before it are done. Nothing, after
/// the lines of the parts before the first one that could not be read and
/// the message, when the file cannot be read: then nothing was judged.
std::optional<std::vector<PartFinding>> HashParts(const PartJudging& judging, File& data,
                                                  const std::string& partPath, Disk& disk,
                                                  Console& console,
                                                  PartHashOptions options = {});

/// Mends the gaps by the verdicts, saying what changes: a part found complete
/// leaves every gap, the bytes the data file lacks become a gap, and every
/// corrupt part becomes one (the first gap that touches it grows over it,
/// else a new gap is added). No gap it makes reaches past `size`.
void RepairGaps(const std::vector<PartVerdict>& verdicts, uint64_t size, uint64_t dataLength,
                GapTable& gaps, Console& console);

/// The verdicts of the findings, in part order.
std::vector<PartVerdict> Verdicts(const std::vector<PartFinding>& findings);

/// The summary line of a check: how many parts were sound, corrupt (with
/// their numbers), complete inside a gap, and not judged and why; and where
/// the AICH set judged, how many each kind of hash judged.
std::string CheckSummary(const std::vector<PartFinding>& findings);

/// True when the two tables hold the same gaps in the same order.
bool SameGaps(const GapTable& a, const GapTable& b);
