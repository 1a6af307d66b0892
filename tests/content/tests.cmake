# SPDX-License-Identifier: GPL-3.0-or-later
# The content values and their files: Qt Core only, pictures listed by name.
mokuri_test(test_content_files content/test_content_files.cpp mokuri_content)
mokuri_test(test_adult_files content/test_adult_files.cpp mokuri_content)
mokuri_test(test_access_file content/test_access_file.cpp mokuri_content mokuri_test_folder)
