// Converts many files at a time, each with its own encoder.
#pragma once

#include "convert/FileEncoder.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

namespace veltrane {

struct BatchItem {
    std::filesystem::path m_input;
    std::filesystem::path m_output;
};

using BatchDoneFn = std::function<void(std::size_t nItem, const FileEncodeReport& report)>;

// The order in which to start items of the given sizes: largest first, so that a long file
// does not run alone at the end; equal sizes keep their order.
std::vector<std::size_t> LongestFirstOrder(const std::vector<std::uint64_t>& sizes);

// Encodes every item on nJobs threads (at least one), the largest inputs first. Encoders share
// nothing, so the bytes of each output do not depend on nJobs. onDone is called once per item,
// by one thread at a time; items not started before a cancel are reported Cancelled.
// options.m_onFrames is called from every thread at once and must be safe for that.
void EncodeBatch(const std::vector<BatchItem>& items, unsigned nJobs,
                 const FileEncodeOptions& options, const BatchDoneFn& onDone);

} // namespace veltrane
