// SPDX-License-Identifier: BSD-3-Clause
#include "VariantEncoder.h"

#include "SpeechEncoder.h"
#include "batch/BatchEncoder.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

namespace {

class CVariantEncoder final : public IFrameEncoder {
  public:
    void EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame) override {
        m_encoder.EncodeFrame(pnSamples, pFrame);
    }
    const double* Signal() const override { return m_encoder.Signal(); }

  private:
    CSpeechEncoder m_encoder;
};

class CVariantBatchEncoder final : public IBatchEncoder {
  public:
    int Lanes() const override { return kBatchLanes; }
    void RestartLane(int nLane) override { m_encoder.RestartLane(nLane); }
    void EncodeFrames(const std::int16_t* const* apnSamples, EncodedFrame* aFrames) override {
        m_encoder.EncodeFrames(apnSamples, aFrames);
    }
    void CopyLaneSignal(int nLane, double* adSignal) const override {
        m_encoder.CopyLaneSignal(nLane, adSignal);
    }

  private:
    CBatchEncoder m_encoder;
};

} // namespace

std::unique_ptr<IFrameEncoder> MakeVariantEncoder() {
    return std::make_unique<CVariantEncoder>();
}

std::unique_ptr<IBatchEncoder> MakeVariantBatchEncoder() {
    return std::make_unique<CVariantBatchEncoder>();
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
