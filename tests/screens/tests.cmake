# SPDX-License-Identifier: GPL-3.0-or-later
# The screens on the real engine and start-up values, with fake sound and speech: drawing,
# forwarding, the dialogs and the activations. The game helper links start-up (app) for
# the loading main.cpp does.
add_library(mokuri_test_screens STATIC ${CMAKE_CURRENT_LIST_DIR}/../fakes/StartedGame.cpp)
target_link_libraries(mokuri_test_screens PUBLIC mokuri_app mokuri_test_fakes mokuri_test_folder)

mokuri_test(test_main_screen screens/test_main_screen.cpp mokuri_test_screens)
mokuri_test(test_activation screens/test_activation.cpp mokuri_test_screens)
mokuri_test(test_dialogs screens/test_dialogs.cpp mokuri_test_screens)
mokuri_test(test_touch_keys_look screens/test_touch_keys_look.cpp mokuri_screens mokuri_test_fakes)
mokuri_test(test_adult_notices screens/test_adult_notices.cpp mokuri_screens mokuri_test_fakes)
mokuri_test(test_access_screen screens/test_access_screen.cpp mokuri_test_screens)
