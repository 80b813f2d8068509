// The save step's output: how the frames of a temporary file reach the destination the user
// named. The rules, in one place:
// - A destination that exists and may not be written (write-protected, a folder) is refused
//   with the system's error, as creating it would be; it is left as it was.
// - A symbolic link is followed: its target receives the frames, and the link stays.
// - The copy is checked and is written beside the target under the suffix ".~part", then
//   renamed over it, so that the target never holds part of the frames; a replaced file keeps
//   its permission bits.
// - Where the folder refuses that name but the existing file may be written, the file itself is
//   rewritten in place (checked, and cut to the new size); a new file is created directly, and
//   removed again when its copy fails.
#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace veltrane {

// Writes all of source (read from its start) to sDestination under the rules above. 0, or the
// errno of the step that failed.
int WriteSaveOutput(IFileSystem& files, IFile& source, const std::string& sDestination);

} // namespace veltrane
