# SPDX-License-Identifier: GPL-3.0-or-later
# Strict warnings for product code and tests alike; ./test.sh turns them into errors.
option(MOKURI_WERROR "Treat warnings as errors" OFF)
add_compile_options(-Wall -Wextra -Wshadow -Wconversion -Wsuggest-override)
if(MOKURI_WERROR)
  add_compile_options(-Werror)
endif()
# Every text is Japanese: a bare char* must never be taken for one by accident.
add_compile_definitions(QT_NO_CAST_FROM_ASCII)
