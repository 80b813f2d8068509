// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli's command line: parses argv and runs the verb it names.
#pragma once

namespace veltrane {

// The process's exit status: 0 when every file was done, 2 when some file failed or was
// refused, 1 for a usage error, 130 after a stop signal.
int RunCommandLine(int argc, char** argv);

} // namespace veltrane
