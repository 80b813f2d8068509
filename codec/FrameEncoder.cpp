// SPDX-License-Identifier: BSD-3-Clause
#include "FrameEncoder.h"

#include "VariantEncoder.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#if VELTRANE_HAVE_X86_64_V3
namespace veltrane::inline x86_64_v3 {
std::unique_ptr<IFrameEncoder> MakeVariantEncoder();
std::unique_ptr<IBatchEncoder> MakeVariantBatchEncoder();
} // namespace veltrane::inline x86_64_v3
#endif
#if VELTRANE_HAVE_X86_64_V4
namespace veltrane::inline x86_64_v4 {
std::unique_ptr<IFrameEncoder> MakeVariantEncoder();
std::unique_ptr<IBatchEncoder> MakeVariantBatchEncoder();
} // namespace veltrane::inline x86_64_v4
#endif

namespace veltrane {

bool CodecBuildRuns(CodecBuild build) {
    switch (build) {
    case CodecBuild::kPortable:
        return true;
    case CodecBuild::kX86_64_v3:
#if VELTRANE_HAVE_X86_64_V3
        __builtin_cpu_init();
        return __builtin_cpu_supports("x86-64-v3") != 0;
#else
        return false;
#endif
    case CodecBuild::kX86_64_v4:
#if VELTRANE_HAVE_X86_64_V4
        __builtin_cpu_init();
        return __builtin_cpu_supports("x86-64-v4") != 0;
#else
        return false;
#endif
    }
    return false;
}

CodecBuild ChosenCodecBuild() {
    static const CodecBuild kChosen = [] {
        const char* pszWanted = std::getenv("VELTRANE_CODEC_BUILD");
        if (pszWanted != nullptr && std::strcmp(pszWanted, "portable") == 0) {
            return CodecBuild::kPortable;
        }
        return CodecBuildRuns(CodecBuild::kX86_64_v3) ? CodecBuild::kX86_64_v3
                                                      : CodecBuild::kPortable;
    }();
    return kChosen;
}

CodecBuild ChosenBatchBuild() {
    static const CodecBuild kChosen = [] {
        return ChosenCodecBuild() != CodecBuild::kPortable && CodecBuildRuns(CodecBuild::kX86_64_v4)
                   ? CodecBuild::kX86_64_v4
                   : ChosenCodecBuild();
    }();
    return kChosen;
}

const char* CodecBuildName(CodecBuild build) {
    switch (build) {
    case CodecBuild::kX86_64_v3:
        return "x86-64-v3";
    case CodecBuild::kX86_64_v4:
        return "x86-64-v4";
    case CodecBuild::kPortable:
        break;
    }
    return "portable";
}

namespace {

// The encoder factories of one build of the codec.
struct BuildFactories {
    std::unique_ptr<IFrameEncoder> (*m_makeEncoder)();
    std::unique_ptr<IBatchEncoder> (*m_makeBatchEncoder)();
};

BuildFactories FactoriesOf(CodecBuild build) {
    assert(CodecBuildRuns(build));
#if VELTRANE_HAVE_X86_64_V3
    if (build == CodecBuild::kX86_64_v3) {
        return {x86_64_v3::MakeVariantEncoder, x86_64_v3::MakeVariantBatchEncoder};
    }
#endif
#if VELTRANE_HAVE_X86_64_V4
    if (build == CodecBuild::kX86_64_v4) {
        return {x86_64_v4::MakeVariantEncoder, x86_64_v4::MakeVariantBatchEncoder};
    }
#endif
    return {portable::MakeVariantEncoder, portable::MakeVariantBatchEncoder};
}

} // namespace

std::unique_ptr<IFrameEncoder> MakeFrameEncoder(CodecBuild build) {
    return FactoriesOf(build).m_makeEncoder();
}

std::unique_ptr<IBatchEncoder> MakeBatchEncoder(CodecBuild build) {
    return FactoriesOf(build).m_makeBatchEncoder();
}

} // namespace veltrane
