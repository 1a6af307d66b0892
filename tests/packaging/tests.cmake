# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package built from this tree, checked as a distribution would (lintian,
# appstreamcli validate, desktop-file-validate; ./test.sh installs them). Skipped when none
# of the tools is installed, and in the sanitizer build, whose binaries are not shipped.
if(NOT MOKURI_SANITIZE)
  add_test(NAME package_checks
           COMMAND ${CMAKE_SOURCE_DIR}/packaging/check-package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_checks PROPERTIES
    ENVIRONMENT "CPACK=${CMAKE_CPACK_COMMAND}"
    SKIP_RETURN_CODE 77
    TIMEOUT 600)
endif()

# ./run.sh builds only what it runs (a copy of it, with a cmake that notes its calls).
add_test(NAME run_builds_only_the_game
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run-builds-only-the-game.sh ${CMAKE_SOURCE_DIR})
