// SPDX-License-Identifier: BSD-3-Clause
#include "cli/BatchCommand.h"

#include "cli/InputList.h"
#include "cli/Progress.h"
#include "cli/StopSignals.h"
#include "convert/BatchRunner.h"
#include "convert/StandardStreams.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <set>
#include <thread>
#include <unistd.h>

namespace veltrane {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFailures = 2;
constexpr int kExitStopped = 130;
constexpr int kExitReaderGone = 128 + SIGPIPE; // as a program that SIGPIPE ends
constexpr const char* kMsgNoInputFiles = "No input files: nothing to convert was found below\n";
constexpr const char* kMsgSameOutput = "Another input of this batch has the same output name.\n";

struct BatchPlan {
    std::vector<BatchItem> m_items;
    std::vector<std::pair<BatchItem, FileJobReport>> m_refused; // never started
};

// A usage error found once the inputs are known; always returns kExitUsage.
int UsageError(const std::string& strMessage) {
    std::fprintf(stderr, "%s\nRun with --help for more information.\n", strMessage.c_str());
    return kExitUsage;
}

// The output of one input: -o, standard output for standard input, or the verb's name beside
// the input or in -d, where a file found below a folder keeps its place in the tree.
std::filesystem::path OutputOf(const InputFile& input, const BatchArgs& args,
                               const BatchVerb& verb) {
    if (!args.m_output.empty()) {
        return args.m_output;
    }
    if (IsStreamInput(input.m_path)) {
        return kStandardStreamName;
    }
    if (args.m_outputDir.empty()) {
        return verb.m_outputPath(input.m_path, {});
    }
    const std::filesystem::path dir = args.m_outputDir / input.m_subDir;
    std::error_code error; // a folder that cannot be made fails the file's job with its text
    std::filesystem::create_directories(dir, error);
    return verb.m_outputPath(input.m_path, dir);
}

} // namespace

std::optional<InputList> GatherInputs(const BatchArgs& args,
                                      const std::vector<std::string>& extensions, int& nStatus) {
    std::vector<std::filesystem::path> inputs = args.m_inputs;
    if (!args.m_filesFrom.empty()) {
        if (const int nError = ReadPathList(args.m_filesFrom, inputs)) {
            std::fprintf(stderr, "%s%s\n", SystemErrorText(nError).c_str(),
                         args.m_filesFrom.c_str());
            nStatus = kExitFailures;
            return std::nullopt;
        }
    }
    InputList list = ExpandInputs(inputs, args.m_bRecursive, extensions);
    if (list.m_files.empty() && list.m_failures.empty()) {
        // Only folders were named, and nothing below them is of the verb's kind. (An empty
        // share of a list that has files is no error: --shard N/N of fewer than N files.)
        std::string strFolders;
        for (const std::filesystem::path& input : inputs) {
            strFolders += input.string() + "\n";
        }
        std::fprintf(stderr, "%s%s", kMsgNoInputFiles, strFolders.c_str());
        nStatus = kExitFailures;
        return std::nullopt;
    }
    if (!args.m_strShard.empty()) {
        KeepShard(list.m_files, *ParseShard(args.m_strShard));
    }
    nStatus = kExitOk;
    return list;
}

int ForEachInput(const BatchArgs& args, const std::vector<std::string>& extensions,
                 const std::function<bool(const std::filesystem::path&)>& report,
                 const std::function<void(const std::vector<InputFile>&)>& prepare) {
    int nStatus = kExitOk;
    const std::optional<InputList> list = GatherInputs(args, extensions, nStatus);
    if (!list) {
        return nStatus;
    }
    if (prepare) {
        prepare(list->m_files);
    }
    bool bAllPassed = list->m_failures.empty();
    for (const InputFailure& failure : list->m_failures) {
        std::fprintf(stderr, "%s%s\n", failure.m_strMessage.c_str(), failure.m_path.c_str());
    }
    for (const InputFile& input : list->m_files) {
        bAllPassed = report(input.m_path) && bAllPassed;
    }
    return bAllPassed ? kExitOk : kExitFailures;
}

namespace {

// The refusals that depend on the inputs found; an empty text when the batch may run.
std::string CheckOutputs(const InputList& list, const BatchArgs& args, const BatchVerb& verb) {
    const std::size_t nInputs = list.m_files.size() + list.m_failures.size();
    const auto stdinUses =
        std::count_if(list.m_files.begin(), list.m_files.end(),
                      [](const InputFile& f) { return IsStreamInput(f.m_path); });
    if (stdinUses > 0 && !verb.m_bReadsStdin) {
        return "- (standard input) is not an input of this verb";
    }
    if (stdinUses > 0 && (nInputs > 1 || IsStandardStream(args.m_filesFrom))) {
        return "- (standard input) or a pipe (<(...)) must be the only input";
    }
    if (stdinUses > 0 && args.m_output.empty() && !args.m_outputDir.empty()) {
        return "standard input or a pipe has no name to put in a folder: use -o FILE or -o -";
    }
    if (!args.m_output.empty() && nInputs != 1) {
        return "-o needs exactly one input file; " + std::to_string(nInputs) + " were given";
    }
    std::error_code error;
    if (!args.m_output.empty() && std::filesystem::is_directory(args.m_output, error)) {
        return "-o names a folder, " + args.m_output.string() + "; -d puts the outputs in a folder";
    }
    const bool bToStdout =
        IsStandardStream(args.m_output) || (stdinUses > 0 && args.m_output.empty());
    if (bToStdout && ::isatty(STDOUT_FILENO)) {
        return "refusing to write binary data to a terminal: redirect standard output or use -o "
               "FILE";
    }
    return {};
}

// Whether the item's output exists as a regular file of the size its input gives: the output of
// an earlier run that finished it (an unfinished one never has the name).
bool IsComplete(const BatchItem& item, const BatchVerb& verb) {
    if (IsStreamInput(item.m_input) || IsStandardStream(item.m_output)) {
        return false;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(item.m_output, error)) {
        return false;
    }
    const std::uintmax_t nSize = std::filesystem::file_size(item.m_output, error);
    const std::optional<std::uint64_t> nExpected =
        verb.m_outputBytes(verb.m_countFrames(item.m_input));
    return !error && nExpected && nSize == *nExpected;
}

// Each input with its output; a second input whose output another one already takes is
// refused, so that no file of the batch overwrites another's result.
BatchPlan PlanBatch(const InputList& list, const BatchArgs& args, const BatchVerb& verb) {
    BatchPlan plan;
    for (const InputFailure& failure : list.m_failures) {
        plan.m_refused.emplace_back(
            BatchItem{failure.m_path, {}},
            JobOutcome(FileOutcome::Failed, failure.m_strMessage, failure.m_path));
    }
    std::set<std::filesystem::path> taken;
    for (const InputFile& input : list.m_files) {
        BatchItem item{input.m_path, OutputOf(input, args, verb)};
        std::error_code error;
        const std::filesystem::path key = std::filesystem::weakly_canonical(item.m_output, error);
        if (!taken.insert(error ? item.m_output : key).second) {
            plan.m_refused.emplace_back(
                item, JobOutcome(FileOutcome::NotReplaced, kMsgSameOutput, input.m_path));
            continue;
        }
        if (args.m_bSkipExisting && !args.m_bForce && IsComplete(item, verb)) {
            plan.m_refused.emplace_back(item, JobOutcome(FileOutcome::Skipped, "", item.m_output));
            continue;
        }
        plan.m_items.push_back(item);
    }
    return plan;
}

std::uint64_t CountFrames(const std::vector<BatchItem>& items, const BatchVerb& verb) {
    std::uint64_t nFrames = 0;
    for (const BatchItem& item : items) {
        nFrames += verb.m_countFrames(item.m_input);
    }
    return nFrames;
}

ProgressStyle StyleFor(const BatchArgs& args) {
    if (args.m_bQuiet) {
        return ProgressStyle::Quiet;
    }
    return ::isatty(STDERR_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines;
}

// Makes the -d folder when it does not exist yet; false (reported) when it cannot be made.
bool MakeOutputDir(const std::filesystem::path& dir) {
    std::error_code error;
    if (dir.empty() || std::filesystem::is_directory(dir, error)) {
        return true;
    }
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "%s\n%s\n", error.message().c_str(), dir.c_str());
        return false;
    }
    return true;
}

} // namespace

unsigned JobsFor(const BatchArgs& args) {
    return args.m_nJobs > 0 ? args.m_nJobs : std::max(1u, std::thread::hardware_concurrency());
}

int RunBatchCommand(const BatchArgs& args, const BatchVerb& verb) {
    int nStatus = kExitOk;
    const std::optional<InputList> list = GatherInputs(args, verb.m_extensions, nStatus);
    if (!list) {
        return nStatus;
    }
    if (const std::string strRefusal = CheckOutputs(*list, args, verb); !strRefusal.empty()) {
        return UsageError(strRefusal);
    }
    if (!MakeOutputDir(args.m_outputDir)) {
        return kExitFailures;
    }
    CStopSignals stopSignals; // before any worker thread starts
    const BatchPlan plan = PlanBatch(*list, args, verb);
    const ProgressStyle style = StyleFor(args);
    CProgressReporter reporter(style, plan.m_items.size() + plan.m_refused.size(),
                               style == ProgressStyle::Bar ? CountFrames(plan.m_items, verb) : 0);
    for (const auto& [item, report] : plan.m_refused) {
        reporter.OnFileDone(item, report);
    }
    FileJobOptions options;
    options.m_bReplace = args.m_bForce;
    options.m_bKeepModifiedTime = !args.m_bNoModifiedTime;
    options.m_pbCancel = &stopSignals.StopFlag();
    options.m_onFrames = [&reporter](std::uint64_t nFrames) { reporter.OnFrames(nFrames); };
    bool bReaderGone = false; // standard output goes to one job only
    const BatchDoneFn onDone = [&](std::size_t nItem, const FileJobReport& report) {
        bReaderGone = bReaderGone || report.m_bReaderGone;
        if (!report.m_bReaderGone) {
            reporter.OnFileDone(plan.m_items[nItem], report);
        }
    };
    // One input keeps an encoder of its own; several share the lanes of batch encoders.
    if (verb.m_bLanes && !args.m_bSingleStream && plan.m_items.size() > 1) {
        RunBatchInLanes(plan.m_items, JobsFor(args), options, verb.m_job, onDone);
    } else {
        RunBatch(plan.m_items, JobsFor(args), options, verb.m_job, onDone);
    }
    if (bReaderGone) {
        reporter.Abandon();
        return kExitReaderGone;
    }
    const BatchTotals& totals = reporter.Finish();
    if (stopSignals.StopRequested()) {
        std::fputs("Stopped; unfinished outputs were removed.\n", stderr);
        return kExitStopped;
    }
    return totals.m_nFailed + totals.m_nNotReplaced + totals.m_nCancelled > 0 ? kExitFailures
                                                                              : kExitOk;
}

} // namespace veltrane
