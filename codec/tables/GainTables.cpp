// SPDX-License-Identifier: BSD-3-Clause
#include "GainTables.h"

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

const float kPitchGainThresholds[kPitchGainSteps - 1] = {
    0.16217f,  0.254211f, 0.328491f, 0.390015f, 0.445679f, 0.495178f, 0.54248f,  0.588684f,
    0.634094f, 0.678284f, 0.722717f, 0.766418f, 0.810425f, 0.855591f, 0.900513f, 0.94873f,
    0.998901f, 1.05389f,  1.11829f,  1.1933f,   1.28772f,  1.41357f,  1.58423f,  1.8559f,
    2.3609f,   3.83459f,  7.66917f,  15.3383f,  30.6767f,  61.3534f,  122.654f};

const float kPitchGainLevels[kPitchGainSteps] = {
    0.0945019f, 0.212108f, 0.29361f,  0.359709f, 0.41831f,  0.470512f, 0.518602f, 0.565187f,
    0.61099f,   0.655896f, 0.699991f, 0.744492f, 0.788413f, 0.832914f, 0.877906f, 0.924202f,
    0.973404f,  1.0266f,   1.08511f,  1.15426f,  1.23936f,  1.34574f,  1.48936f,  1.70213f,
    2.06383f,   2.84043f,  5.42553f,  10.8457f,  21.6915f,  43.3883f,  86.7713f,  173.543f};

const float kPulseGainThresholds[kPulseGainSteps - 1] = {
    2.473f,   3.18898f, 4.21814f, 5.62311f, 7.37797f, 9.53024f, 12.1015f, 15.2257f,
    19.0324f, 23.6339f, 29.1566f, 35.3607f, 42.825f,  51.2f,    60.65f,   71.0f,
    82.325f,  95.375f,  109.9f,   126.3f,   144.4f,   165.525f, 190.975f, 220.625f,
    258.275f, 305.5f,   368.6f,   453.525f, 573.625f, 795.15f};

const float kPulseGainLevels[kPulseGainSteps] = {
    2.0f,     2.82731f, 3.63253f, 4.86145f, 6.48795f, 8.37952f, 10.7811f, 13.5663f,
    17.0683f, 21.1386f, 26.2851f, 32.1305f, 39.0201f, 46.9498f, 55.9056f, 65.7851f,
    76.3871f, 88.6129f, 102.774f, 117.677f, 135.226f, 154.806f, 178.129f, 204.742f,
    239.032f, 280.516f, 334.032f, 408.323f, 505.71f,  665.323f, 1026.0f};

const float kGainRatioThresholds[kGainRatioSteps - 1] = {0.25f,    0.537821f, 0.779487f, 1.02295f,
                                                         1.33564f, 1.88692f,  4.2f};

const float kGainRatioLevels[kGainRatioSteps] = {0.0999802f, 0.391192f, 0.661377f, 0.895457f,
                                                 1.16505f,   1.55802f,  2.70006f,  6.5001f};

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
