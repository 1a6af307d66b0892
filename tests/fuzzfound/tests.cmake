# SPDX-License-Identifier: GPL-3.0-or-later
mokuri_test(test_fuzz_regressions fuzzfound/test_fuzz_regressions.cpp mokuri_content)
