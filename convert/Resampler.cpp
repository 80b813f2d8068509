// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Resampler.h"

#include <soxr.h>

namespace veltrane {

namespace {

constexpr std::size_t kBlockSamples = 4096; // output taken from libsoxr at a time

} // namespace

std::uint64_t ResampledLength(std::uint64_t nInputSamples, int nInputRate, int nOutputRate) {
    const auto nRate = static_cast<std::uint64_t>(nInputRate);
    return (2 * nInputSamples * static_cast<std::uint64_t>(nOutputRate) + nRate) / (2 * nRate);
}

CResampler::CResampler(int nInputRate, int nOutputRate) : m_adBlock(kBlockSamples) {
    soxr_error_t pszError = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality =
        soxr_quality_spec(SOXR_HQ | SOXR_LINEAR_PHASE, SOXR_DOUBLE_PRECISION);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    m_pSoxr = soxr_create(nInputRate, nOutputRate, 1, &pszError, &io, &quality, &runtime);
    Check(pszError);
}

CResampler::~CResampler() {
    soxr_delete(m_pSoxr);
}

void CResampler::Check(const char* pszError) {
    if (pszError != nullptr && m_strError.empty()) {
        m_strError = pszError;
    }
}

void CResampler::Process(std::span<const double> input, std::vector<double>& output) {
    std::size_t nUsed = 0;
    while (m_strError.empty() && nUsed < input.size()) {
        std::size_t nInDone = 0;
        std::size_t nOutDone = 0;
        Check(soxr_process(m_pSoxr, input.data() + nUsed, input.size() - nUsed, &nInDone,
                           m_adBlock.data(), m_adBlock.size(), &nOutDone));
        output.insert(output.end(), m_adBlock.begin(), m_adBlock.begin() + nOutDone);
        if (nInDone == 0 && nOutDone == 0) {
            Check("the resampler took no input");
        }
        nUsed += nInDone;
    }
}

void CResampler::Flush(std::vector<double>& output) {
    std::size_t nOutDone = kBlockSamples;
    while (m_strError.empty() && nOutDone > 0) {
        Check(soxr_process(m_pSoxr, nullptr, 0, nullptr, m_adBlock.data(), m_adBlock.size(),
                           &nOutDone));
        output.insert(output.end(), m_adBlock.begin(), m_adBlock.begin() + nOutDone);
    }
}

} // namespace veltrane
