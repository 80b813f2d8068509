// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/Quality.h"

#include "codec/CodecTypes.h"
#include "codec/SpeechDecoder.h"
#include "codec/SpeechEncoder.h"
#include "convert/ChunkEncoder.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {

namespace {

constexpr int kNewestFrameStart = kSignalLength - kFrameSamples; // in the encoder's history
constexpr std::size_t kFrameLength = kFrameSamples;
constexpr std::size_t kDelayFrames = kDecoderDelayFrames;

struct Energies {
    double dSignal = 0.0;
    double dError = 0.0;
};

Energies MeasureEnergies(std::span<const double> reference, std::span<const std::int16_t> decoded) {
    Energies energies;
    for (std::size_t i = 0; i < reference.size() && i < decoded.size(); ++i) {
        const double dError = reference[i] - decoded[i];
        energies.dSignal += reference[i] * reference[i];
        energies.dError += dError * dError;
    }
    return energies;
}

std::optional<double> RatioDb(const Energies& energies) {
    if (!(energies.dSignal > 0.0)) {
        return std::nullopt;
    }
    if (energies.dError == 0.0) {
        return std::numeric_limits<double>::infinity();
    }
    return 10.0 * std::log10(energies.dSignal / energies.dError);
}

} // namespace

std::optional<double> SignalToNoiseDb(std::span<const double> reference,
                                      std::span<const std::int16_t> decoded) {
    return RatioDb(MeasureEnergies(reference, decoded));
}

SegmentalSnr SegmentalSnrDb(std::span<const double> reference,
                            std::span<const std::int16_t> decoded) {
    const std::size_t nLength = std::min(reference.size(), decoded.size());
    const double dSilentEnergy = kSilentSegmentRms * kSilentSegmentRms * kQualitySegment;
    SegmentalSnr result;
    double dSum = 0.0;
    for (std::size_t at = 0; at + kQualitySegment <= nLength; at += kQualitySegment) {
        const Energies energies = MeasureEnergies(reference.subspan(at, kQualitySegment),
                                                  decoded.subspan(at, kQualitySegment));
        if (energies.dSignal < dSilentEnergy) {
            continue;
        }
        dSum += std::clamp(*RatioDb(energies), kSegmentSnrFloorDb, kSegmentSnrCeilingDb);
        ++result.m_nSegments;
    }
    if (result.m_nSegments > 0) {
        result.m_dDb = dSum / static_cast<double>(result.m_nSegments);
    }
    return result;
}

double BitRate(std::size_t nBytes, std::size_t nSamples) {
    if (nSamples == 0) {
        return 0.0;
    }
    return 8.0 * static_cast<double>(nBytes) * kSampleRate / static_cast<double>(nSamples);
}

ReferenceEncoding EncodeWithReference(std::span<const std::int16_t> samples) {
    ReferenceEncoding encoding;
    CChunkEncoder encoder(2, 1);
    for (std::size_t at = 0; at + kFrameSamples <= samples.size(); at += kFrameSamples) {
        const auto frame = encoder.EncodeSamples(samples.subspan(at, kFrameSamples));
        encoding.m_anBytes.insert(encoding.m_anBytes.end(), frame.begin(), frame.end());
        // The frame just taken in, as the pre-filter left it at the top of the history.
        const double* adNewest = encoder.Signal() + kNewestFrameStart;
        encoding.m_adReference.insert(encoding.m_adReference.end(), adNewest,
                                      adNewest + kFrameSamples);
    }
    return encoding;
}

QualityReport CompareDecoding(std::span<const std::uint8_t> frames,
                              std::span<const double> reference) {
    const DecodedFrames decoded = DecodeFrames(frames);
    QualityReport report;
    report.m_nSamples = std::min(decoded.m_anSamples.size(), reference.size());
    report.m_dSnrDb = SignalToNoiseDb(reference, decoded.m_anSamples);
    report.m_segSnr = SegmentalSnrDb(reference, decoded.m_anSamples);
    report.m_dBitRate = BitRate(frames.size(), frames.size() / kFrameBytes * kFrameLength);
    return report;
}

struct CQualityMeter::Stages {
    CChunkEncoder m_encoder{2, 1};
    CSpeechDecoder m_decoder;
    // The pre-filtered input of the last frames, by frame number modulo their count: a decoded
    // frame answers the input of kDelayFrames frames before it.
    double m_aadReference[kDelayFrames + 1][kFrameLength] = {};
};

CQualityMeter::CQualityMeter() : m_pStages(std::make_unique<Stages>()) {
    m_anPending.reserve(kFrameLength);
}

CQualityMeter::~CQualityMeter() = default;

void CQualityMeter::Add(std::span<const std::int16_t> samples) {
    while (!samples.empty()) {
        if (m_anPending.empty() && samples.size() >= kFrameLength) {
            AddFrame(samples.first(kFrameLength));
            samples = samples.subspan(kFrameLength);
            continue;
        }
        const std::size_t nTake = std::min(samples.size(), kFrameLength - m_anPending.size());
        m_anPending.insert(m_anPending.end(), samples.begin(), samples.begin() + nTake);
        samples = samples.subspan(nTake);
        if (m_anPending.size() == kFrameLength) {
            AddFrame(m_anPending);
            m_anPending.clear();
        }
    }
}

// The sums run sample by sample and segment by segment in the order of the whole-recording
// measure, so that the figures are the same to the last bit.
void CQualityMeter::AddFrame(std::span<const std::int16_t> frame) {
    Stages& stages = *m_pStages;
    const auto bytes = stages.m_encoder.EncodeSamples(frame);
    double* adReference = stages.m_aadReference[m_nFrames % (kDelayFrames + 1)];
    const double* adNewest = stages.m_encoder.Signal() + kNewestFrameStart;
    std::copy_n(adNewest, kFrameLength, adReference);
    EncodedFrame encoded;
    std::copy_n(bytes.begin(), kFrameBytes, encoded.begin());
    std::int16_t anDecoded[kFrameLength];
    stages.m_decoder.DecodeFrame(encoded, anDecoded);
    if (m_nFrames >= kDelayFrames) {
        const std::span<const double> reference(
            stages.m_aadReference[(m_nFrames - kDelayFrames) % (kDelayFrames + 1)], kFrameLength);
        const Energies segment = MeasureEnergies(reference, anDecoded);
        for (std::size_t i = 0; i < kFrameLength; ++i) {
            const double dError = reference[i] - anDecoded[i];
            m_dSignal += reference[i] * reference[i];
            m_dError += dError * dError;
        }
        if (segment.dSignal >= kSilentSegmentRms * kSilentSegmentRms * kQualitySegment) {
            m_dSegmentSum +=
                std::clamp(*RatioDb(segment), kSegmentSnrFloorDb, kSegmentSnrCeilingDb);
            ++m_nSegments;
        }
    }
    ++m_nFrames;
}

QualityReport CQualityMeter::Report() const {
    QualityReport report;
    report.m_nSamples = m_nFrames > kDelayFrames ? (m_nFrames - kDelayFrames) * kFrameLength : 0;
    report.m_dSnrDb = RatioDb({m_dSignal, m_dError});
    report.m_segSnr.m_nSegments = m_nSegments;
    if (m_nSegments > 0) {
        report.m_segSnr.m_dDb = m_dSegmentSum / static_cast<double>(m_nSegments);
    }
    report.m_dBitRate = BitRate(m_nFrames * kFrameBytes, m_nFrames * kFrameLength);
    return report;
}

QualityReport MeasureQuality(std::span<const std::int16_t> samples) {
    CQualityMeter meter;
    meter.Add(samples);
    return meter.Report();
}

} // namespace veltrane
