mokuri_test(test_startup app/test_startup.cpp)
