// SPDX-License-Identifier: BSD-3-Clause
// The names outputs are proposed to get: the dialog's designed rule (the last three characters
// become "wrm") and the command line's (the last extension becomes ".wrm").
#include "convert/OutputName.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace veltrane {
namespace {

using NameCases = std::vector<std::pair<std::string, std::string>>;

void ExpectNames(std::string (*pfnName)(const std::string&), const NameCases& cases) {
    for (const auto& [sInput, sExpected] : cases) {
        EXPECT_EQ(pfnName(sInput), sExpected) << sInput;
    }
}

TEST(OutputName, LastThreeCharactersBecomeWrm) {
    ExpectNames(ProposedName, {{"speech.wav", "speech.wrm"},
                               {"TALK.WAV", "TALK.wrm"},
                               {"voice.wave", "voice.wwrm"},
                               {"abc", "wrm"},
                               {"take.wrm", "take.wrm"}});
}

// A character of several UTF-8 bytes counts as one, so the name stays valid UTF-8.
TEST(OutputName, MultiByteCharactersCountAsOneCharacter) {
    ExpectNames(ProposedName, {{"запись.вав", "запись.wrm"},
                               {"a.wäv", "a.wrm"},
                               {"take.wa\xF0\x9F\x8E\xA4", "take.wrm"}, // a 4-byte character
                               {"äö", "äö.wrm"}});
}

TEST(OutputName, ShortNamesGetAnExtension) {
    ExpectNames(ProposedName, {{"ab", "ab.wrm"}, {"a", "a.wrm"}, {"", ".wrm"}});
}

TEST(OutputName, BesideTheInputOrInTheOutputFolder) {
    EXPECT_EQ(ProposedOutputPath("/rec/day1/a.wav", ""), "/rec/day1/a.wrm");
    EXPECT_EQ(ProposedOutputPath("a.wav", ""), "a.wrm");
    EXPECT_EQ(ProposedOutputPath("/rec/day1/a.wav", "/out"), "/out/a.wrm");
}

// The command line's rule: the last extension, in any case, gives way to ".wrm".
TEST(OutputName, CommandLineReplacesTheLastExtensionOrAppends) {
    ExpectNames(EncodedName, {{"speech.wav", "speech.wrm"},
                              {"talk.WAV", "talk.wrm"},
                              {"voice.wave", "voice.wrm"},
                              {"x.flac", "x.wrm"},
                              {"a.b", "a.wrm"},
                              {"take.2.wav", "take.2.wrm"},
                              {"recording", "recording.wrm"},
                              {".hidden", ".hidden.wrm"},
                              {"запись.вав", "запись.wrm"}});
    EXPECT_EQ(EncodedOutputPath("/rec/v1.0/recording", ""), "/rec/v1.0/recording.wrm");
    EXPECT_EQ(EncodedOutputPath("/rec/day1/a.WAV", "/out"), "/out/a.wrm");
}

} // namespace
} // namespace veltrane
