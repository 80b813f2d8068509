// SPDX-License-Identifier: BSD-3-Clause
#include "convert/SampleSource.h"

namespace veltrane {

bool StopRequested(const std::atomic<bool>* pbStop) {
    return pbStop != nullptr && pbStop->load(std::memory_order_relaxed);
}

CSampleSource::~CSampleSource() = default;

} // namespace veltrane
