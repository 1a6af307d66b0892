# The content values and their files: Qt Core only, pictures listed by name.
mokuri_test(test_content_files content/test_content_files.cpp mokuri_content)
