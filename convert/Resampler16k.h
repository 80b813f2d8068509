// SPDX-License-Identifier: BSD-3-Clause
// Resamples one channel to the encoder's 16000 samples per second with libsoxr.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct soxr; // libsoxr's soxr_t

namespace veltrane {

// The samples that a whole input of nInputSamples at nInputRate becomes:
// round(nInputSamples * 16000 / nInputRate), as libsoxr delivers after its flush.
std::uint64_t ResampledLength(std::uint64_t nInputSamples, int nInputRate);

// One fixed setting (high quality, linear phase, double precision, one thread), so that the same
// input always gives the same samples.
class CResampler16k {
  public:
    explicit CResampler16k(int nInputRate);
    ~CResampler16k();
    CResampler16k(const CResampler16k&) = delete;
    CResampler16k& operator=(const CResampler16k&) = delete;

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
