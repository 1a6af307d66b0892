mokuri_test(test_dialogs dialogs/test_dialogs.cpp)
mokuri_test(test_real_keys dialogs/test_real_keys.cpp)
