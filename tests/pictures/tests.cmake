# SPDX-License-Identifier: GPL-3.0-or-later
# The picture readers and the loader that decodes ahead on the executor.
mokuri_test(test_picture_loader pictures/test_picture_loader.cpp mokuri_pictures mokuri_test_folder)
# Pictures of scanner and camera sizes, also shown by the main screen; giflib and libjpeg
# write the test pictures.
find_package(GIF REQUIRED)
find_package(JPEG REQUIRED)
mokuri_test(test_huge_pictures pictures/test_huge_pictures.cpp mokuri_test_screens GIF::GIF JPEG::JPEG)
