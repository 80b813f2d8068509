// SPDX-License-Identifier: BSD-3-Clause
// Any recording as the encoder takes it: one channel (the mean of the file's channels),
// 16000 samples per second (libsoxr), rounded to 16 bits with clipping and no dither.
#pragma once

#include "convert/AnyAudioReader.h"
#include "convert/Resampler.h"
#include "convert/SampleSource.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

// A sample scaled as libsndfile reads it (1.0 full scale) as a 16-bit sample: x * 32768 rounded
// to the nearest integer (halves away from zero) and clipped to -32768..32767; NaN gives 0.
std::int16_t RoundToPcm16(double dSample);

// Why a recording of this description is not converted, ending in a line feed; none when it is.
// A rate below 1000 or above 768000 per second, more than 64 channels or no samples at all is no
// recording to convert, and would make the resampler's and the mix's buffers grow with the
// header's claims instead of staying bounded.
std::optional<std::string> ConversionRefusal(const AudioDescription& description);

// The 16 kHz samples that a recording of this description gives; -1 when its length is not
// known.
std::int64_t ConvertedLength(const AudioDescription& description);

// What --convert makes of a file that the header check refuses.
struct ConversionPlan {
    AudioDescription m_description;
    std::int64_t m_nSamples = -1; // 16 kHz samples; -1 when the file does not tell its length
    std::optional<std::string> m_strRefusal; // why it is not converted (ConversionRefusal)
};

// None when the file cannot be opened or libsndfile does not read it.
std::optional<ConversionPlan> PlanConversion(const std::filesystem::path& file);
std::optional<ConversionPlan> PlanConversion(std::unique_ptr<IFile> pFile);

class CConvertedSamples : public CSampleSource {
  public:
    // reader: opened; it must outlive this object.
    explicit CConvertedSamples(CAnyAudioReader& reader);

    std::size_t Read(std::span<std::int16_t> samples) override;
    bool Failed() const override;
    // libsndfile's or the resampler's text of the failure.
    std::string FailureMessage() const override;

  private:
    void Refill();

    CAnyAudioReader& m_reader;
    std::unique_ptr<CResampler> m_pResampler; // none when the file is at 16000 already
    std::vector<double> m_adInput;
    std::vector<double> m_adPending; // converted samples not yet delivered
    std::size_t m_nPendingUsed = 0;
    bool m_bInputEnded = false;
};

} // namespace veltrane
