// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two questions the game answers without starting: --help and --version. Everything else
// on the command line is the picture folder, so only a command line that is exactly one of
// them counts (a folder named "--help x" is still a folder).
#include <optional>

namespace mokuri {

// Prints the answer to stdout and gives the exit status when the command line is exactly
// "--help" or "--version"; nothing otherwise. Needs no QApplication, hence no display.
std::optional<int> answerInformationRequest(int argc, const char* const* argv);

} // namespace mokuri
