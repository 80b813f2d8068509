// SPDX-License-Identifier: BSD-3-Clause
// Resamples one channel with libsoxr: to the encoder's 16000 samples per second, and back.
#pragma once

#include "codec/CodecTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct soxr; // libsoxr's soxr_t

namespace veltrane {

// The samples that a whole input of nInputSamples at nInputRate becomes at nOutputRate:
// round(nInputSamples * nOutputRate / nInputRate), as libsoxr delivers after its flush.
std::uint64_t ResampledLength(std::uint64_t nInputSamples, int nInputRate,
                              int nOutputRate = kSampleRate);

// One fixed setting (high quality, linear phase, double precision, one thread), so that the same
// input always gives the same samples.
class CResampler {
  public:
    explicit CResampler(int nInputRate, int nOutputRate = kSampleRate);
    ~CResampler();
    CResampler(const CResampler&) = delete;
    CResampler& operator=(const CResampler&) = delete;

    // Empty when the resampler works; else libsoxr's text.
    const std::string& Error() const { return m_strError; }

    // Resamples input and appends what is ready to output.
    void Process(std::span<const double> input, std::vector<double>& output);
    // Appends the samples still held once the input has ended.
    void Flush(std::vector<double>& output);

  private:
    void Check(const char* pszError);

    soxr* m_pSoxr = nullptr;
    std::vector<double> m_adBlock;
    std::string m_strError;
};

} // namespace veltrane
