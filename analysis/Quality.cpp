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
        const double* adNewest = encoder.Encoder().Signal() + kNewestFrameStart;
        encoding.m_adReference.insert(encoding.m_adReference.end(), adNewest,
                                      adNewest + kFrameSamples);
    }
    return encoding;
}

QualityReport CompareDecoding(std::span<const std::uint8_t> frames,
                              std::span<const double> reference, std::size_t nInputSamples) {
    const DecodedFrames decoded = DecodeFrames(frames);
    QualityReport report;
    report.m_nSamples = std::min(decoded.m_anSamples.size(), reference.size());
    report.m_dSnrDb = SignalToNoiseDb(reference, decoded.m_anSamples);
    report.m_segSnr = SegmentalSnrDb(reference, decoded.m_anSamples);
    report.m_dBitRate = BitRate(frames.size(), nInputSamples);
    return report;
}

QualityReport MeasureQuality(std::span<const std::int16_t> samples) {
    const ReferenceEncoding encoding = EncodeWithReference(samples);
    return CompareDecoding(encoding.m_anBytes, encoding.m_adReference, samples.size());
}

} // namespace veltrane
