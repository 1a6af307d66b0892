# SPDX-License-Identifier: GPL-3.0-or-later
# The bottom layer: the write thread and the bounded waits on files.
mokuri_test(test_waiting_on_files support/test_waiting_on_files.cpp mokuri_support)
