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
  MOKURI_VERSION="${PROJECT_VERSION}" MOKURI_VOICE_SOURCE="${MOKURI_VOICE_SOURCE}")
add_dependencies(test_install mokuri-deck mokuri mokuri-icons mokuri-package-files mokuri-report mokuri-voices)

# mokuri-report: the page's numbers from a fixed record, the program, and the page in chromium
# when it is installed.
mokuri_test(test_report ${CMAKE_CURRENT_LIST_DIR}/test_report.cpp mokuri_report Qt6::Gui)
target_compile_definitions(test_report PRIVATE MOKURI_REPORT_BIN="$<TARGET_FILE:mokuri-report>")
add_dependencies(test_report mokuri-report)

# ---------------------------------------------------------------------------------------
# mokuri-stalled-share: a folder that hangs the way a network share does when its server
# stops answering (tests/tools/stalled_share). A test that needs one links
# mokuri_stalled_share and uses mokuri::test::StalledShare (fakes/StalledShare.h), which
# starts the tool; MOKURI_STALLED_SHARE_BIN is its path. Without fuse3 the library is still
# there but defines nothing, and StalledShare::start() says why the test skips.
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(FUSE3 IMPORTED_TARGET fuse3>=3.12)
endif()
add_library(mokuri_stalled_share STATIC ${CMAKE_CURRENT_LIST_DIR}/../fakes/StalledShare.cpp)
target_link_libraries(mokuri_stalled_share PUBLIC Qt6::Core Qt6::Test)
target_include_directories(mokuri_stalled_share PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
if(FUSE3_FOUND)
  add_executable(mokuri-stalled-share ${CMAKE_CURRENT_LIST_DIR}/stalled_share/StalledShareFs.cpp)
  target_link_libraries(mokuri-stalled-share PRIVATE PkgConfig::FUSE3)
  set_target_properties(mokuri-stalled-share PROPERTIES AUTOMOC OFF)
  target_compile_definitions(mokuri_stalled_share PUBLIC
    MOKURI_STALLED_SHARE_BIN="$<TARGET_FILE:mokuri-stalled-share>")
  add_dependencies(mokuri_stalled_share mokuri-stalled-share)
endif()

mokuri_test(test_stalled_share ${CMAKE_CURRENT_LIST_DIR}/test_stalled_share.cpp mokuri_stalled_share)

# mokuri-voices: takes cleaned, the folder's sounds listed, kept and given back, failures.
mokuri_test(test_voices ${CMAKE_CURRENT_LIST_DIR}/test_voices.cpp mokuri_voices mokuri_test_folder)
mokuri_test(test_voices_recorder ${CMAKE_CURRENT_LIST_DIR}/test_voices_recorder.cpp mokuri_voices_window mokuri_test_folder)
