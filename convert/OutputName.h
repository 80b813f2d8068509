// SPDX-License-Identifier: BSD-3-Clause
// The names that converted files are proposed to get.
#pragma once

#include <filesystem>
#include <string>

namespace veltrane {

// The file name whose last three characters (UTF-8 code points, not bytes), whatever they are,
// are replaced by "wrm":
// speech.wav becomes speech.wrm, TALK.WAV becomes TALK.wrm, voice.wave becomes voice.wwrm.
// A name shorter than three characters gets ".wrm" appended instead.
std::string ProposedName(const std::string& strName);

// The output of an input file: its proposed name beside it, or in outputDir when not empty.
std::filesystem::path ProposedOutputPath(const std::filesystem::path& input,
                                         const std::filesystem::path& outputDir);

// The command line's name of an encoding: the name's last extension, in any case, replaced by
// ".wrm" (talk.WAV becomes talk.wrm, x.flac becomes x.wrm, a.b becomes a.wrm); a name without
// one, or whose only dot starts it, gets ".wrm" appended (recording becomes recording.wrm).
std::string EncodedName(const std::string& strName);

// The encoding of an input file on the command line: its encoded name beside it, or in
// outputDir when not empty.
std::filesystem::path EncodedOutputPath(const std::filesystem::path& input,
                                        const std::filesystem::path& outputDir);

// The name of a decoding: the ".wrm" ending (in any case) replaced by ".decoded.wav", or
// ".decoded.wav" appended to a name without it. speech.wrm becomes speech.decoded.wav, never
// speech.wav, which is likely the recording that the file was made from.
std::string DecodedName(const std::string& strName);

// The decoding of an input file: its decoded name beside it, or in outputDir when not empty.
std::filesystem::path DecodedOutputPath(const std::filesystem::path& input,
                                        const std::filesystem::path& outputDir);

} // namespace veltrane
