// SPDX-License-Identifier: BSD-3-Clause
// What the fuzz targets that run a file job share: the job over the work folder's files, as a
// batch with -f runs it, and the checks of a job that made nothing.
#pragma once

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "convert/FileJob.h"

#include <filesystem>

namespace veltrane::fuzz {

// Runs job from files.m_input to files.m_output, replacing an output an earlier run left.
inline FileJobReport RunReplacingJob(const FileJobFn& job, const fuzz::JobFiles& files) {
    FileJobOptions options;
    options.m_bReplace = true;
    return job(files.m_input, files.m_output, options);
}

// A job that converted nothing: its message ends its line, and no output is left.
inline void RequireNothingWritten(const FileJobReport& report,
                                  const std::filesystem::path& output) {
    Require(!report.m_strMessage.empty() && report.m_strMessage.back() == '\n',
            "a file not converted has a message that ends its line");
    Require(!std::filesystem::exists(output), "a file not converted leaves no output");
}

} // namespace veltrane::fuzz
