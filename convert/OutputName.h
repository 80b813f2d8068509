// The name that a converted file is proposed to get.
#pragma once

#include <filesystem>
#include <string>

namespace veltrane {

// The file name whose last three characters, whatever they are, are replaced by "wrm":
// speech.wav becomes speech.wrm, TALK.WAV becomes TALK.wrm, voice.wave becomes voice.wwrm.
// A name shorter than three characters gets ".wrm" appended instead.
std::string ProposedName(const std::string& strName);

// The output of an input file: its proposed name beside it, or in outputDir when not empty.
std::filesystem::path ProposedOutputPath(const std::filesystem::path& input,
                                         const std::filesystem::path& outputDir);

} // namespace veltrane
