// SPDX-License-Identifier: BSD-3-Clause
// Runs one file job (encoding, decoding) over many files at a time.
#pragma once

#include "convert/FileJob.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

namespace veltrane {

struct BatchItem {
    std::filesystem::path m_input;
    std::filesystem::path m_output;
};

using BatchDoneFn = std::function<void(std::size_t nItem, const FileJobReport& report)>;

// The order in which to start items of the given sizes: largest first, so that a long file
// does not run alone at the end; equal sizes keep their order.
std::vector<std::size_t> LongestFirstOrder(const std::vector<std::uint64_t>& sizes);

// Runs job on every item on nJobs threads, the largest inputs first, and times each. When the
// system refuses a thread, the batch runs on the threads it has, the calling one at least. Jobs
// share nothing, so each output does not depend on nJobs. onDone is called once per item, by one
// thread at a time; items not started before a cancel are reported Cancelled. options.m_onFrames is
// called from every thread at once and must be safe for that.
void RunBatch(const std::vector<BatchItem>& items, unsigned nJobs, const FileJobOptions& options,
              const FileJobFn& job, const BatchDoneFn& onDone);

// RunBatch for encode jobs, with the files of each of the nJobs threads' share encoded side by
// side in the lanes of one batch encoder (CSharedBatch): the group's threads, one per lane, each
// run a file job at a time, their encoders being lanes of the group's batch. The outputs are
// those of RunBatch.
void RunBatchInLanes(const std::vector<BatchItem>& items, unsigned nJobs,
                     const FileJobOptions& options, const FileJobFn& job,
                     const BatchDoneFn& onDone);

} // namespace veltrane
