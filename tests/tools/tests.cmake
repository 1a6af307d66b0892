# SPDX-License-Identifier: GPL-3.0-or-later
# mokuri-deck: its parts, the tool on real folders, and the game started on its deck. The
# tests that compare with the game's letters link the game's question engine for its rules.
mokuri_test(test_deck_parts ${CMAKE_CURRENT_LIST_DIR}/test_deck_parts.cpp mokuri_deck mokuri_game)

mokuri_test(test_deck_tool ${CMAKE_CURRENT_LIST_DIR}/test_deck_tool.cpp mokuri_game Qt6::Gui SDL2::SDL2)
target_compile_definitions(test_deck_tool PRIVATE MOKURI_DECK_BIN="$<TARGET_FILE:mokuri-deck>")
add_dependencies(test_deck_tool mokuri-deck mokuri)

# Installs the build into a temporary prefix; the .deb itself is built and checked by
# tests/packaging (package_checks).
mokuri_test(test_install ${CMAKE_CURRENT_LIST_DIR}/test_install.cpp Qt6::Gui)
target_compile_definitions(test_install PRIVATE
  MOKURI_CMAKE="${CMAKE_COMMAND}" MOKURI_BUILD_DIR="${CMAKE_BINARY_DIR}"
  MOKURI_VERSION="${PROJECT_VERSION}")
add_dependencies(test_install mokuri-deck mokuri mokuri-icons mokuri-package-files mokuri-report)

# mokuri-report: the page's numbers from a fixed record, the program, and the page in chromium
# when it is installed.
mokuri_test(test_report ${CMAKE_CURRENT_LIST_DIR}/test_report.cpp mokuri_report Qt6::Gui)
target_compile_definitions(test_report PRIVATE MOKURI_REPORT_BIN="$<TARGET_FILE:mokuri-report>")
add_dependencies(test_report mokuri-report)
