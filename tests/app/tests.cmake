mokuri_test(test_startup app/test_startup.cpp)
mokuri_test(test_activation app/test_activation.cpp)
mokuri_test(test_fault_injection app/test_fault_injection.cpp)
mokuri_test(test_picture_loader app/test_picture_loader.cpp)
