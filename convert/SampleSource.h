// SPDX-License-Identifier: BSD-3-Clause
// A stream of 16 kHz mono samples, as the encoder takes them: what every kind of input becomes
// before the encode loop reads it.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace veltrane {

// Whether a stop was requested through pbStop, which may be null (never).
bool StopRequested(const std::atomic<bool>* pbStop);

class CSampleSource {
  public:
    virtual ~CSampleSource();
    // Fills the start of samples; fewer than asked only at the end of the stream or on a
    // failure (Failed() then tells which).
    virtual std::size_t Read(std::span<std::int16_t> samples) = 0;
    virtual bool Failed() const = 0;
    // The text of the failure, ending in a line feed.
    virtual std::string FailureMessage() const = 0;
    // What a finished encoding of nFrames frames from this source should warn of, ending in a
    // line feed (data shorter than its header says); empty for none.
    virtual std::string EndWarning(std::uint64_t /*nFrames*/) const { return {}; }
};

} // namespace veltrane
