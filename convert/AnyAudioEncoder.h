// SPDX-License-Identifier: BSD-3-Clause
// The encode jobs of the command line beyond the dialog's header check: a hint after a refusal,
// and the conversion of any recording that libsndfile reads (--convert).
#pragma once

#include "convert/AnyAudioReader.h"
#include "convert/FileJob.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace veltrane {

// EncodeWavFile, and for a file that the header check refuses, when libsndfile reads it, the
// hint line that says what it is and that --convert accepts it.
FileJobReport EncodeWavFileWithHint(const std::filesystem::path& input,
                                    const std::filesystem::path& output,
                                    const FileJobOptions& options);

// A file that the header check accepts is encoded exactly as EncodeWavFile does. Any other file
// that libsndfile reads is mixed to mono, resampled to 16000 Hz and rounded to 16 bits, then
// encoded; a file at 16000 Hz, mono, 16-bit gives its samples unchanged. A file that
// libsndfile does not read either keeps the header check's message. Standard input ("-") is
// taken only as the header check takes it.
FileJobReport EncodeAnyAudioFile(const std::filesystem::path& input,
                                 const std::filesystem::path& output,
                                 const FileJobOptions& options);

// What --convert makes of a file that the header check refuses.
struct ConversionPlan {
    AudioDescription m_description;
    std::int64_t m_nSamples = -1; // 16 kHz samples; -1 when the file does not tell its length
    std::optional<std::string> m_strRefusal; // why it is not converted (ConversionRefusal)
};

// None when the file cannot be opened or libsndfile does not read it.
std::optional<ConversionPlan> PlanConversion(const std::filesystem::path& file);

} // namespace veltrane
