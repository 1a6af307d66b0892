# SPDX-License-Identifier: GPL-3.0-or-later
# Install layout and the Debian package. The desktop menu starts mokuri-play, which makes
# the sample deck on first use and starts the game inside it.
include(GNUInstallDirs)

# Who the package comes from and where it lives; a distribution building the package sets
# its own: cmake -DMOKURI_MAINTAINER="Name <address>" -DMOKURI_HOMEPAGE=https://...
set(MOKURI_MAINTAINER "Mokuri developers <maintainers@users.noreply.c-seed-54c37358.example>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(MOKURI_HOMEPAGE "https://c-seed-54c37358.example/mokuri"
    CACHE STRING "Home page named in the package and the AppStream metadata")
set(MOKURI_SCREENSHOT_URL "${MOKURI_HOMEPAGE}/docs"
    CACHE STRING "Where docs/main.png, settings.png and tasks.png are published")
if(MOKURI_MAINTAINER MATCHES "@localhost" OR NOT MOKURI_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(FATAL_ERROR "MOKURI_MAINTAINER must be \"Name <address>\" with a real mail host: ${MOKURI_MAINTAINER}")
endif()
set(MOKURI_APPSTREAM_ID org.mokuri.mokuri)
# This release's date, in the changelog, the manual pages and the AppStream metadata (set
# with the version, so the package does not depend on when it is built).
set(MOKURI_RELEASE_DATE_ISO 2026-12-08)
set(MOKURI_RELEASE_DATE "Tue, 08 Dec 2026 00:00:00 +0000")

# The files made from templates: the launcher, the Debian copyright and changelog, the
# manual pages and the AppStream metadata. The changelog and the manual pages are shipped
# compressed the way Debian wants them (gzip -9, no name or time stamp inside).
set(_pkg ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/mokuri-play.in ${_pkg}/mokuri-play @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${_pkg}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/mokuri.metainfo.xml.in
               ${_pkg}/${MOKURI_APPSTREAM_ID}.metainfo.xml @ONLY)
find_program(MOKURI_GZIP gzip REQUIRED)
set(_compressed)
foreach(page mokuri.6 mokuri-play.6 mokuri-deck.1 mokuri-report.1 mokuri-voices.1 changelog)
  if(page STREQUAL "changelog")
    set(_template ${CMAKE_CURRENT_LIST_DIR}/changelog.in)
  else()
    set(_template ${CMAKE_CURRENT_LIST_DIR}/man/${page}.in)
  endif()
  configure_file(${_template} ${_pkg}/${page} @ONLY)
  add_custom_command(OUTPUT ${_pkg}/${page}.gz
    COMMAND ${MOKURI_GZIP} -9nkf ${_pkg}/${page}
    DEPENDS ${_pkg}/${page}
    COMMENT "Compressing ${page}")
  list(APPEND _compressed ${_pkg}/${page}.gz)
endforeach()
add_custom_target(mokuri-package-files ALL DEPENDS ${_compressed})

install(TARGETS mokuri mokuri-deck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The voice Mei, as the install scripts fetched it (scripts/common.sh, mokuri_fetch_voice),
# with its licence texts; the programs look for it in <prefix>/share/mokuri/voice/mei. A tree
# built without it (no npm registry) installs none, and the programs speak with espeak-ng.
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(_voice_default "$ENV{XDG_CACHE_HOME}/mokuri/voice/mei")
else()
  set(_voice_default "$ENV{HOME}/.cache/mokuri/voice/mei")
endif()
set(MOKURI_VOICE_SOURCE "${_voice_default}" CACHE PATH "Folder with the voice Mei's files to install")
set(_voice_files mei_normal.htsvoice mei_happy.htsvoice mei_angry.htsvoice mei_bashful.htsvoice
    mei_sad.htsvoice COPYRIGHT.txt README.txt)
set(_voice_complete ON)
foreach(f ${_voice_files})
  if(NOT EXISTS "${MOKURI_VOICE_SOURCE}/${f}")
    set(_voice_complete OFF)
  endif()
endforeach()
if(_voice_complete)
  list(TRANSFORM _voice_files PREPEND "${MOKURI_VOICE_SOURCE}/")
  set(_voice_texts ${_voice_files})
  list(FILTER _voice_files INCLUDE REGEX "\\.htsvoice$")
  list(FILTER _voice_texts INCLUDE REGEX "\\.txt$")
  install(FILES ${_voice_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/mokuri/voice/mei)
  # Its licence texts where Debian keeps documentation.
  install(FILES ${_voice_texts} DESTINATION ${CMAKE_INSTALL_DOCDIR}/voice-mei)
else()
  message(STATUS "The voice Mei is not in ${MOKURI_VOICE_SOURCE}: the package will speak with espeak-ng")
endif()
install(PROGRAMS ${_pkg}/mokuri-play DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mokuri.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/${MOKURI_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${MOKURI_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/mokuri.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${_pkg}/mokuri.6.gz ${_pkg}/mokuri-play.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${_pkg}/mokuri-deck.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The licence is named in copyright; its text is /usr/share/common-licenses/GPL-3 on Debian,
# so LICENSE itself is not installed a second time.
install(FILES ${_pkg}/copyright ${_pkg}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/README.md)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME mokuri)
set(CPACK_PACKAGE_VENDOR "Mokuri developers")
set(CPACK_PACKAGE_CONTACT "${MOKURI_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOKURI_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MOKURI_HOMEPAGE}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese word-building game for young children")
# The extended description: lintian wants its lines under 80 columns, dpkg shows them as
# they are; kept under 72 here.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A child sees a picture and builds its name from shuffled kana tiles,
hearing every letter. A parent or teacher fills a folder with pictures
named by their words; six settings (the spoken instruction, a model word,
decoy letters, the cursor, touch or click) are kept in the folder.
.
Includes mokuri-deck, which makes a ready-to-play sample deck and the
letter voices, and mokuri-play, which starts the game on it from the
desktop menu.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY mokuri)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# An educational program installed in /usr/bin, not a game in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# dpkg-shlibdeps finds the linked libraries (Qt, SDL2, espeak-ng, MeCab, giflib), and with
# libqt6gui6 Qt's image and platform plugins. Named here is only what is read at run time:
# the speech and dictionary data and the fonts of the tiles and of the sample pictures.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "open-jtalk, open-jtalk-mecab-naist-jdic, espeak-ng-data, mecab-ipadic-utf8, fonts-ipafont-gothic, fonts-noto-color-emoji")
set(CPACK_STRIP_FILES ON)
# lintian (packaging/check-package.sh) reports no error and no warning. Three informational
# tags stay, on both programs:
#  - hardening-no-bindnow, hardening-no-fortify-functions: the project's build does not add
#    Debian's hardening flags; a distribution's build adds them from dpkg-buildflags
#    (CXXFLAGS with -D_FORTIFY_SOURCE=2, LDFLAGS with -Wl,-z,relro,-z,now) when it configures.
#  - binary-has-unneeded-section .comment: CPack's strip keeps the compiler's version note,
#    which costs a few hundred bytes; dh_strip would remove it.
# With the voice Mei, a fourth: arch-dep-package-has-big-usr-share (its 4 MB of voice files;
# a distribution would put them in a package of their own, Architecture: all).
include(CPack)

# mokuri-report, the practice record as a page for parents, with its own menu entry.
install(TARGETS mokuri-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mokuri-report.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/mokuri-report.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# mokuri-voices, the recorder of the letters in one's own voice, with its own menu entry.
install(TARGETS mokuri-voices RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mokuri-voices.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/mokuri-voices.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
