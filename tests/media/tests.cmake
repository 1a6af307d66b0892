# SPDX-License-Identifier: GPL-3.0-or-later
mokuri_test(test_media_reading media/test_media_reading.cpp mokuri_media)
mokuri_test(test_media_sound media/test_media_sound.cpp mokuri_media)
mokuri_test(test_media_speech media/test_media_speech.cpp mokuri_media)
mokuri_test(test_media_speech_failure media/test_media_speech_failure.cpp mokuri_media)
mokuri_test(test_media_openjtalk media/test_media_openjtalk.cpp mokuri_media)
# libsndfile writes the files the reader's tests read.
mokuri_test(test_media_wav media/test_media_wav.cpp mokuri_media mokuri_test_folder PkgConfig::SNDFILE)
