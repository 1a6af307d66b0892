mokuri_test(test_letters_layout game/test_letters_layout.cpp)
mokuri_test(test_game_flow game/test_game_flow.cpp)
