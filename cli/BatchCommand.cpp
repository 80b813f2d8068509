#include "cli/BatchCommand.h"

#include "cli/Progress.h"
#include "cli/StopSignals.h"
#include "convert/BatchRunner.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <thread>
#include <unistd.h>

namespace veltrane {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailures = 2;
constexpr int kExitStopped = 130;
constexpr const char* kMsgSameOutput = "Another input of this batch has the same output name.\n";

struct BatchPlan {
    std::vector<BatchItem> m_items;
    std::vector<std::pair<BatchItem, FileJobReport>> m_refused; // never started
};

// Each input with its output; a second input whose output another one already takes is
// refused, so that no file of the batch overwrites another's result.
BatchPlan PlanBatch(const BatchArgs& args, const BatchVerb& verb) {
    BatchPlan plan;
    std::set<std::filesystem::path> taken;
    for (const std::filesystem::path& input : args.m_inputs) {
        BatchItem item{input, args.m_output.empty() ? verb.m_outputPath(input, args.m_outputDir)
                                                    : args.m_output};
        std::error_code error;
        const std::filesystem::path key = std::filesystem::weakly_canonical(item.m_output, error);
        if (!taken.insert(error ? item.m_output : key).second) {
            plan.m_refused.emplace_back(item,
                                        JobOutcome(FileOutcome::Skipped, kMsgSameOutput, input));
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

unsigned JobsFor(const BatchArgs& args) {
    return args.m_nJobs > 0 ? args.m_nJobs : std::max(1u, std::thread::hardware_concurrency());
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

int RunBatchCommand(const BatchArgs& args, const BatchVerb& verb) {
    if (!MakeOutputDir(args.m_outputDir)) {
        return kExitFailures;
    }
    CStopSignals stopSignals; // before any worker thread starts
    const BatchPlan plan = PlanBatch(args, verb);
    const ProgressStyle style = StyleFor(args);
    CProgressReporter reporter(style, args.m_inputs.size(),
                               style == ProgressStyle::Bar ? CountFrames(plan.m_items, verb) : 0);
    for (const auto& [item, report] : plan.m_refused) {
        reporter.OnFileDone(item, report);
    }
    FileJobOptions options;
    options.m_bReplace = args.m_bForce;
    options.m_pbCancel = &stopSignals.StopFlag();
    options.m_onFrames = [&reporter](std::uint64_t nFrames) { reporter.OnFrames(nFrames); };
    RunBatch(plan.m_items, JobsFor(args), options, verb.m_job,
             [&](std::size_t nItem, const FileJobReport& report) {
                 reporter.OnFileDone(plan.m_items[nItem], report);
             });
    const BatchTotals& totals = reporter.Finish();
    if (stopSignals.StopRequested()) {
        std::fputs("Stopped; unfinished outputs were removed.\n", stderr);
        return kExitStopped;
    }
    return totals.m_nFailed + totals.m_nSkipped + totals.m_nCancelled > 0 ? kExitFailures : kExitOk;
}

} // namespace veltrane
