# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up, the whole game on fakes over many questions and damaged files, and the real
# binary (MOKURI_BIN) driven through its trace.
mokuri_test(test_startup app/test_startup.cpp mokuri_test_screens)
mokuri_test(test_fault_injection app/test_fault_injection.cpp mokuri_test_screens)
mokuri_test(test_soak app/test_soak.cpp mokuri_test_screens)
mokuri_test(test_real_keys app/test_real_keys.cpp mokuri_test_folder mokuri_stalled_share mokuri_game)
add_dependencies(test_startup mokuri)
add_dependencies(test_real_keys mokuri)
# The real binary under Xvfb with openbox and the tint2 panel.
mokuri_test(test_window_manager app/test_window_manager.cpp mokuri_test_folder)
add_dependencies(test_window_manager mokuri)
# Two games under the sanitizers on a busy machine may each take a minute to their first question.
set_tests_properties(test_window_manager PROPERTIES TIMEOUT 300)
# A picture folder on a share that stops answering (a FUSE mount that hangs on chosen names).
mokuri_test(test_stalled_folder app/test_stalled_folder.cpp mokuri_test_screens mokuri_app mokuri_stalled_share)
