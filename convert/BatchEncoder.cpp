#include "convert/BatchEncoder.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <numeric>
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

bool Cancelled(const FileEncodeOptions& options) {
    return options.m_pbCancel != nullptr && options.m_pbCancel->load();
}

} // namespace

std::vector<std::size_t> LongestFirstOrder(const std::vector<std::uint64_t>& sizes) {
    std::vector<std::size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&sizes](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    return order;
}

void EncodeBatch(const std::vector<BatchItem>& items, unsigned nJobs,
                 const FileEncodeOptions& options, const BatchDoneFn& onDone) {
    const std::vector<std::size_t> order = LongestFirstOrder(InputSizes(items));
    std::atomic<std::size_t> nNext{0};
    std::mutex doneMutex;
    auto worker = [&]() {
        for (std::size_t k = nNext++; k < order.size(); k = nNext++) {
            const BatchItem& item = items[order[k]];
            FileEncodeReport report;
            if (Cancelled(options)) {
                report.m_outcome = FileOutcome::Cancelled;
            } else {
                report = EncodeWavFile(item.m_input, item.m_output, options);
            }
            const std::lock_guard lock(doneMutex);
            onDone(order[k], report);
        }
    };
    const unsigned nThreads =
        std::max(1u, std::min<unsigned>(nJobs, static_cast<unsigned>(items.size())));
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < nThreads; ++t) {
        threads.emplace_back(worker);
    }
    worker();
}

} // namespace veltrane
