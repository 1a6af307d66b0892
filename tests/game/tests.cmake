# SPDX-License-Identifier: GPL-3.0-or-later
# The engine on fakes: it links no widgets, no SDL.
add_library(mokuri_test_fakes STATIC ${CMAKE_CURRENT_LIST_DIR}/../fakes/FakeSound.cpp ${CMAKE_CURRENT_LIST_DIR}/../fakes/FakeSpeech.cpp)
target_link_libraries(mokuri_test_fakes PUBLIC mokuri_media_api)
target_include_directories(mokuri_test_fakes PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)

mokuri_test(test_round game/test_round.cpp mokuri_game mokuri_test_fakes)
mokuri_test(test_letters_layout game/test_letters_layout.cpp mokuri_game)
mokuri_test(test_practice_record game/test_practice_record.cpp mokuri_game mokuri_test_fakes)
mokuri_test(test_access_round game/test_access_round.cpp mokuri_game mokuri_test_fakes)
