// SPDX-License-Identifier: BSD-3-Clause
// What the batch verbs (encode, decode) share: their options, the plan of inputs and outputs,
// the jobs on N threads, the stop on SIGINT or SIGTERM, progress and exit status.
#pragma once

#include "cli/InputList.h"
#include "convert/FileJob.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

struct BatchArgs {
    std::vector<std::filesystem::path> m_inputs;
    std::filesystem::path m_output;    // -o: the output of a single input
    std::filesystem::path m_outputDir; // -d: folder of every output
    unsigned m_nJobs = 0;              // -j: files at a time; 0 for every core
    bool m_bForce = false;             // -f: replace existing outputs
    bool m_bSkipExisting = false;      // --skip-existing: leave complete outputs alone
    bool m_bNoModifiedTime = false;    // --no-preserve-modtime: outputs get the time written
    bool m_bQuiet = false;             // -q: no progress, no summary
    bool m_bConvert = false;           // --convert (encode): any recording libsndfile reads
    bool m_bSingleStream = false;      // --single-stream (encode): no batch encoder lanes
    bool m_bRecursive = false;         // -r: the files below the folders among the inputs
    std::string m_strShard;            // --shard K/N: keep the K-th of N shares of the inputs
    std::filesystem::path m_filesFrom; // --files-from: more inputs, one a line ("-": stdin)
};

// What makes a batch verb of its own.
struct BatchVerb {
    std::vector<std::string> m_extensions; // of the files that -r takes from a folder (".wav")
    bool m_bReadsStdin;                    // whether "-" may name standard input
    // The output of an input without -o: beside it, or in the folder when not empty.
    std::function<std::filesystem::path(const std::filesystem::path& input,
                                        const std::filesystem::path& outputDir)>
        m_outputPath;
    FileJobFn m_job;
    // The frames that an input holds, for the bar's time left; 0 when not known.
    std::function<std::uint64_t(const std::filesystem::path& input)> m_countFrames;
    // The size in bytes of the output that an input of nFrames frames gives; none when such an
    // input gives no output.
    std::function<std::optional<std::uint64_t>(std::uint64_t nFrames)> m_outputBytes;
    // Whether several inputs are encoded side by side in the lanes of batch encoders.
    bool m_bLanes = false;
};

// The inputs of a verb: those named and listed with --files-from, the files below folders with
// -r (names ending in one of extensions, any case), the --shard kept. None after an unreadable
// list or when nothing was found below the folders named (both reported), with the exit status
// in nStatus.
std::optional<InputList> GatherInputs(const BatchArgs& args,
                                      const std::vector<std::string>& extensions, int& nStatus);

// The verbs that report on files (check, quality, info): report is called on each input in
// order, true when it passed; inputs that give no file are reported as failed. prepare, when
// given, first sees every input (to work on them on several threads). Exit status: 0 when every
// input passed, 2 otherwise (and as GatherInputs says).
int ForEachInput(const BatchArgs& args, const std::vector<std::string>& extensions,
                 const std::function<bool(const std::filesystem::path&)>& report,
                 const std::function<void(const std::vector<InputFile>&)>& prepare = {});

// The files that a verb works on at a time: -j, or one per core.
unsigned JobsFor(const BatchArgs& args);

// Exit status: 0 when every file was converted or skipped as complete, 2 when any failed or an
// existing output was not replaced, 1 for a usage error found once the inputs are known, 130
// when stopped by SIGINT or SIGTERM, 141 when the reader of standard output went away.
int RunBatchCommand(const BatchArgs& args, const BatchVerb& verb);

// The verbs.
int RunEncode(const BatchArgs& args);
int RunDecode(const BatchArgs& args);

} // namespace veltrane
