// SPDX-License-Identifier: BSD-3-Clause
#include "convert/BatchRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <numeric>
#include <system_error>
#include <thread>

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

void RunBatch(const std::vector<BatchItem>& items, unsigned nJobs, const FileJobOptions& options,
              const FileJobFn& job, const BatchDoneFn& onDone) {
    const std::vector<std::size_t> order = LongestFirstOrder(InputSizes(items));
    std::atomic<std::size_t> nNext{0};
    std::mutex doneMutex;
    auto worker = [&]() {
        for (std::size_t k = nNext++; k < order.size(); k = nNext++) {
            const BatchItem& item = items[order[k]];
            FileJobReport report;
            if (StopRequested(options.m_pbCancel)) {
                report.m_outcome = FileOutcome::Cancelled;
            } else {
                report = RunTimed(job, item, options);
            }
            const std::lock_guard lock(doneMutex);
            onDone(order[k], report);
        }
    };
    const unsigned nThreads =
        std::max(1u, std::min<unsigned>(nJobs, static_cast<unsigned>(items.size())));
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < nThreads; ++t) {
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error&) {
            break; // the system gives no more threads: the batch runs on those it has
        }
    }
    worker();
}

} // namespace veltrane
