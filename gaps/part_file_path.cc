#include "gaps/part_file_path.h"

#include "met/tag_record.h"
#include "met/tag_reader.h"
#include "platform/console.h"
#include "platform/path.h"

bool IsPartFileNameTag(const TagRecord& tag) {
  return tag.type == TagString && TagHasName(tag, TagIdPartFileName);
}

void ApplyPartFileName(const std::string& metPath, const std::string& name, std::string* partPath,
                       Console& console) {
  if (!IsPlainFileName(name)) {
    Print(console, "Error: part file name '%s' is not a plain file name, it is ignored.\n",
          name.c_str());
    return;
  }
  *partPath = AppendPath(RemoveFileSpec(metPath), name);
}
