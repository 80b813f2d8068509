// SPDX-License-Identifier: BSD-3-Clause
// How close a decoding comes to what the encoder was given: SNR, segmental SNR and bit rate,
// measured against the input after the encoder's DC-removal pre-filter (the signal that the
// encoder actually codes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace veltrane {

// Segments of the segmental SNR: one frame each.
inline constexpr int kQualitySegment = 240;
// A segment whose reference RMS lies below this (-60 dB of full scale) counts as silent.
inline constexpr double kSilentSegmentRms = 32.768;
// Each segment's SNR is held within these bounds before averaging, so that one near-perfect
// or one hopeless segment does not dominate the mean.
inline constexpr double kSegmentSnrFloorDb = -10.0;
inline constexpr double kSegmentSnrCeilingDb = 35.0;

// 10 log10 of signal energy over error energy, over the common length of the two. None when
// the reference has no energy; +infinity when the decoding is exact.
std::optional<double> SignalToNoiseDb(std::span<const double> reference,
                                      std::span<const std::int16_t> decoded);

struct SegmentalSnr {
    std::optional<double> m_dDb; // mean of the segment SNRs; none when every segment is silent
    std::size_t m_nSegments = 0; // segments that count (whole and not silent)
};

// Mean SNR of the whole 240-sample segments of the common length whose reference is not silent.
SegmentalSnr SegmentalSnrDb(std::span<const double> reference,
                            std::span<const std::int16_t> decoded);

// Bits per second of nBytes of frames that code nSamples samples at 16 kHz (the recording's
// whole frames: the samples after them are coded by no frame, so they take no bits).
double BitRate(std::size_t nBytes, std::size_t nSamples);

// The encoding of a recording in memory, with the pre-filtered input the encoder coded.
struct ReferenceEncoding {
    std::vector<std::uint8_t> m_anBytes; // one 30-byte frame per whole 240-sample frame
    std::vector<double> m_adReference;   // the pre-filtered input of those frames
};

// Encodes every whole frame of the samples with one encoder.
ReferenceEncoding EncodeWithReference(std::span<const std::int16_t> samples);

struct QualityReport {
    std::optional<double> m_dSnrDb;
    SegmentalSnr m_segSnr;
    double m_dBitRate = 0.0;
    std::size_t m_nSamples = 0; // decoded samples compared with the reference
};

// Decodes the frames and compares the result with the reference.
QualityReport CompareDecoding(std::span<const std::uint8_t> frames,
                              std::span<const double> reference);

// The quality of a recording measured as it streams in: each whole frame is encoded, decoded and
// compared at once, so memory does not grow with the recording's length. The figures equal
// those of CompareDecoding on the whole recording's EncodeWithReference.
class CQualityMeter {
  public:
    CQualityMeter();
    ~CQualityMeter();
    CQualityMeter(const CQualityMeter&) = delete;
    CQualityMeter& operator=(const CQualityMeter&) = delete;

    // The next samples of the recording, in any pieces.
    void Add(std::span<const std::int16_t> samples);
    // The figures of everything added so far.
    QualityReport Report() const;

  private:
    struct Stages;
    void AddFrame(std::span<const std::int16_t> frame);

    std::unique_ptr<Stages> m_pStages;     // the encoder and decoder: large, kept off the stack
    std::vector<std::int16_t> m_anPending; // samples short of a whole frame
    std::size_t m_nFrames = 0;
    double m_dSignal = 0.0; // energies of the whole compared length
    double m_dError = 0.0;
    double m_dSegmentSum = 0.0;
    std::size_t m_nSegments = 0;
};

// Encodes and decodes the samples in memory and reports the quality of the result.
QualityReport MeasureQuality(std::span<const std::int16_t> samples);

} // namespace veltrane
