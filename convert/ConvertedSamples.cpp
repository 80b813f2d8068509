// SPDX-License-Identifier: BSD-3-Clause
#include "convert/ConvertedSamples.h"

#include "codec/CodecTypes.h"

#include <cmath>

namespace veltrane {

namespace {

constexpr std::size_t kReadSamples = 8192; // input samples read from the file at a time
constexpr double kFullScale = 32768.0;

} // namespace

std::int16_t RoundToPcm16(double dSample) {
    if (std::isnan(dSample)) {
        return 0;
    }
    const double dValue = std::round(dSample * kFullScale);
    if (dValue >= 32767.0) {
        return 32767;
    }
    if (dValue <= -32768.0) {
        return -32768;
    }
    return static_cast<std::int16_t>(dValue);
}

std::optional<std::string> ConversionRefusal(const AudioDescription& description) {
    constexpr int kLowestRate = 1000;
    constexpr int kHighestRate = 768000;
    constexpr int kMostChannels = 64;
    if (description.m_nSampleRate < kLowestRate || description.m_nSampleRate > kHighestRate) {
        return "Its sample rate, " + std::to_string(description.m_nSampleRate) +
               " per second, is outside what --convert takes (1000 to 768000).\n";
    }
    if (description.m_nChannels < 1 || description.m_nChannels > kMostChannels) {
        return "It has " + std::to_string(description.m_nChannels) +
               " channels; --convert takes 1 to 64.\n";
    }
    if (description.m_nFrames == 0) {
        return std::string("It holds no samples.\n");
    }
    return std::nullopt;
}

std::int64_t ConvertedLength(const AudioDescription& description) {
    if (description.m_nFrames < 0) {
        return -1;
    }
    if (description.m_nSampleRate == kSampleRate) {
        return description.m_nFrames;
    }
    return static_cast<std::int64_t>(ResampledLength(
        static_cast<std::uint64_t>(description.m_nFrames), description.m_nSampleRate));
}

CConvertedSamples::CConvertedSamples(CAnyAudioReader& reader)
    : m_reader(reader), m_adInput(kReadSamples) {
    if (reader.Description().m_nSampleRate != kSampleRate) {
        m_pResampler = std::make_unique<CResampler>(reader.Description().m_nSampleRate);
    }
}

bool CConvertedSamples::Failed() const {
    return m_reader.Failed() || (m_pResampler && !m_pResampler->Error().empty());
}

std::string CConvertedSamples::FailureMessage() const {
    return m_reader.Failed() ? m_reader.FailureMessage() : m_pResampler->Error() + "\n";
}

// Reads the next block of the file into m_adPending, or the resampler's tail at the end.
void CConvertedSamples::Refill() {
    m_adPending.clear();
    m_nPendingUsed = 0;
    const std::size_t nRead = m_reader.ReadMono(m_adInput);
    const std::span input(m_adInput.data(), nRead);
    if (!m_pResampler) {
        m_adPending.assign(input.begin(), input.end());
    } else if (nRead > 0) {
        m_pResampler->Process(input, m_adPending);
    }
    if (nRead < m_adInput.size()) {
        m_bInputEnded = true;
        if (m_pResampler && !m_reader.Failed()) {
            m_pResampler->Flush(m_adPending);
        }
    }
}

std::size_t CConvertedSamples::Read(std::span<std::int16_t> samples) {
    std::size_t nDone = 0;
    while (nDone < samples.size() && !Failed()) {
        if (m_nPendingUsed == m_adPending.size()) {
            if (m_bInputEnded) {
                break;
            }
            Refill();
            continue;
        }
        samples[nDone++] = RoundToPcm16(m_adPending[m_nPendingUsed++]);
    }
    return Failed() ? 0 : nDone;
}

namespace {

std::optional<ConversionPlan> PlanOf(const CAnyAudioReader& reader, bool bOpened) {
    if (!bOpened) {
        return std::nullopt;
    }
    return ConversionPlan{reader.Description(), ConvertedLength(reader.Description()),
                          ConversionRefusal(reader.Description())};
}

} // namespace

std::optional<ConversionPlan> PlanConversion(const std::filesystem::path& file) {
    CAnyAudioReader reader;
    const bool bOpened = reader.Open(file);
    return PlanOf(reader, bOpened);
}

std::optional<ConversionPlan> PlanConversion(std::unique_ptr<IFile> pFile) {
    CAnyAudioReader reader;
    const bool bOpened = reader.Open(std::move(pFile));
    return PlanOf(reader, bOpened);
}

} // namespace veltrane
