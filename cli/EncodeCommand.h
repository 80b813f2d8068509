// The encode verb: converts WAV files to ".wrm" files.
#pragma once

#include <filesystem>
#include <vector>

namespace veltrane {

struct EncodeArgs {
    std::vector<std::filesystem::path> m_inputs;
    std::filesystem::path m_output;    // -o: the output of a single input
    std::filesystem::path m_outputDir; // -d: folder of every output
    unsigned m_nJobs = 0;              // -j: files at a time; 0 for every core
    bool m_bForce = false;             // -f: replace existing outputs
    bool m_bQuiet = false;             // -q: no progress, no summary
};

// Exit status: 0 when every file was converted, 2 when any failed or was skipped, 130 when
// stopped by SIGINT or SIGTERM.
int RunEncode(const EncodeArgs& args);

} // namespace veltrane
