// The fast-path tests of the x86-64-v3 build run only where the processor can run that build;
// elsewhere they are skipped, as the program would otherwise stop on an unknown instruction.
#include "codec/FrameEncoder.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

class CRequireX86_64V3 : public ::testing::Environment {
  public:
    void SetUp() override {
        if (!CodecBuildRuns(CodecBuild::kX86_64_v3)) {
            GTEST_SKIP() << "this processor does not run the x86-64-v3 build";
        }
    }
};

[[maybe_unused]] ::testing::Environment* const g_pRequireX86_64V3 =
    ::testing::AddGlobalTestEnvironment(new CRequireX86_64V3);

} // namespace
} // namespace veltrane
