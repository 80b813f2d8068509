// SPDX-License-Identifier: BSD-3-Clause
#include "convert/BatchRunner.h"

#include "convert/SharedBatch.h"
#include "convert/StandardStreams.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>
#include <utility>

namespace veltrane {

namespace {

std::vector<std::uint64_t> InputSizes(const std::vector<BatchItem>& items) {
    std::vector<std::uint64_t> sizes;
    sizes.reserve(items.size());
    for (const BatchItem& item : items) {
        std::error_code error;
        const std::uintmax_t nSize = std::filesystem::file_size(item.m_input, error);
        sizes.push_back(error ? 0 : nSize);
    }
    return sizes;
}

FileJobReport RunTimed(const FileJobFn& job, const BatchItem& item, const FileJobOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    FileJobReport report = job(item.m_input, item.m_output, options);
    report.m_dElapsedSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return report;
}

} // namespace

std::vector<std::size_t> LongestFirstOrder(const std::vector<std::uint64_t>& sizes) {
    std::vector<std::size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&sizes](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    return order;
}

namespace {

// What a worker thread t does around its items; every member may be empty.
struct WorkerHooks {
    std::function<void(unsigned t)> m_onStart;
    std::function<void(unsigned t, const BatchItem& item)> m_beforeItem;
    std::function<void(unsigned t)> m_onEnd;
};

// Runs job on every item on nThreads threads, thread t with the options optionsOf(t).
void RunWorkers(const std::vector<BatchItem>& items, unsigned nThreads,
                const std::function<const FileJobOptions&(unsigned)>& optionsOf,
                const FileJobFn& job, const BatchDoneFn& onDone, const WorkerHooks& hooks = {}) {
    const std::vector<std::size_t> order = LongestFirstOrder(InputSizes(items));
    std::atomic<std::size_t> nNext{0};
    std::mutex doneMutex;
    auto worker = [&](unsigned nThread) {
        const FileJobOptions& options = optionsOf(nThread);
        if (hooks.m_onStart) {
            hooks.m_onStart(nThread);
        }
        for (std::size_t k = nNext++; k < order.size(); k = nNext++) {
            const BatchItem& item = items[order[k]];
            if (hooks.m_beforeItem) {
                hooks.m_beforeItem(nThread, item);
            }
            FileJobReport report;
            if (StopRequested(options.m_pbCancel)) {
                report.m_outcome = FileOutcome::Cancelled;
            } else {
                report = RunTimed(job, item, options);
            }
            const std::lock_guard lock(doneMutex);
            onDone(order[k], report);
        }
        if (hooks.m_onEnd) {
            hooks.m_onEnd(nThread);
        }
    };
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < nThreads; ++t) {
        try {
            threads.emplace_back(worker, t);
        } catch (const std::system_error&) {
            break; // the system gives no more threads: the batch runs on those it has
        }
    }
    worker(0);
}

unsigned ThreadsFor(unsigned nJobs, std::size_t nItems) {
    return std::max(1u, std::min<unsigned>(nJobs, static_cast<unsigned>(nItems)));
}

} // namespace

void RunBatch(const std::vector<BatchItem>& items, unsigned nJobs, const FileJobOptions& options,
              const FileJobFn& job, const BatchDoneFn& onDone) {
    RunWorkers(
        items, ThreadsFor(nJobs, items.size()),
        [&options](unsigned) -> const FileJobOptions& { return options; }, job, onDone);
}

void RunBatchInLanes(const std::vector<BatchItem>& items, unsigned nJobs,
                     const FileJobOptions& options, const FileJobFn& job,
                     const BatchDoneFn& onDone) {
    const unsigned nGroups = ThreadsFor(nJobs, items.size());
    std::vector<std::unique_ptr<CSharedBatch>> batches;
    for (unsigned g = 0; g < nGroups; ++g) {
        batches.push_back(std::make_unique<CSharedBatch>());
    }
    // As many lanes per group as the items fill, at most the batch's.
    const auto nPerGroup = static_cast<unsigned>(
        std::min<std::size_t>(static_cast<std::size_t>(batches.front()->Lanes()),
                              (items.size() + nGroups - 1) / nGroups));
    // Thread t runs lane t % nPerGroup of group t / nPerGroup. It holds its lane from file to
    // file, so that the other lanes wait for its next file rather than run without it, except
    // while it reads a stream, which may stall.
    const auto laneOf = [&](std::size_t t) {
        return std::pair<CSharedBatch&, int>(*batches[t / nPerGroup],
                                             static_cast<int>(t % nPerGroup));
    };
    std::vector<FileJobOptions> laneOptions(static_cast<std::size_t>(nGroups) * nPerGroup, options);
    for (std::size_t t = 0; t < laneOptions.size(); ++t) {
        laneOptions[t].m_makeEncoder = [lane = laneOf(t)] {
            return lane.first.JoinLane(lane.second);
        };
    }
    WorkerHooks hooks;
    hooks.m_onStart = [&](unsigned t) { laneOf(t).first.Reserve(laneOf(t).second); };
    hooks.m_beforeItem = [&](unsigned t, const BatchItem& item) {
        auto [batch, nLane] = laneOf(t);
        if (StreamDescriptor(item.m_input)) {
            batch.Release(nLane);
        } else {
            batch.Reserve(nLane);
        }
    };
    hooks.m_onEnd = [&](unsigned t) { laneOf(t).first.Release(laneOf(t).second); };
    RunWorkers(
        items, static_cast<unsigned>(laneOptions.size()),
        [&laneOptions](unsigned t) -> const FileJobOptions& { return laneOptions[t]; }, job, onDone,
        hooks);
}

} // namespace veltrane
