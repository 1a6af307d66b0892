# SPDX-License-Identifier: GPL-3.0-or-later
# The temporary test folder and the process's memory, for any test that needs them.
add_library(mokuri_test_folder STATIC ${CMAKE_CURRENT_LIST_DIR}/TestFolder.cpp ${CMAKE_CURRENT_LIST_DIR}/Resources.cpp)
target_link_libraries(mokuri_test_folder PUBLIC Qt6::Gui Qt6::Test)
target_include_directories(mokuri_test_folder PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
