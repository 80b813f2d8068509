// SPDX-License-Identifier: BSD-3-Clause
#include "VariantEncoder.h"

#include "SpeechEncoder.h"

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

} // namespace

std::unique_ptr<IFrameEncoder> MakeVariantEncoder() {
    return std::make_unique<CVariantEncoder>();
}

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
