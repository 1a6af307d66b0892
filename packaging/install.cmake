# Install layout and the Debian package. The desktop menu starts mokuri-play, which makes
# the sample deck on first use and starts the game inside it.
include(GNUInstallDirs)

install(TARGETS mokuri mokuri-deck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/mokuri-play DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mokuri.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${MOKURI_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/mokuri.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
if(EXISTS ${CMAKE_SOURCE_DIR}/README.md)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME mokuri)
set(CPACK_PACKAGE_VENDOR "Mokuri developers")
set(CPACK_PACKAGE_CONTACT "Mokuri developers <mokuri@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese word-building game for young children")
set(CPACK_PACKAGE_DESCRIPTION
  "A child sees a picture and builds its name from shuffled kana tiles, hearing every
letter. An adult fills a folder with pictures named by their words. Includes
mokuri-deck, which makes a ready-to-play sample deck and the letter voices.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY mokuri)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the linked libraries (Qt, SDL2, espeak-ng, MeCab, giflib); named here is
# what is only loaded at run time: the speech and dictionary data, the fonts of the tiles
# and of the sample pictures, and Qt's image and platform plugins (in libqt6gui6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6gui6 (>= 6.4), espeak-ng-data, mecab-ipadic-utf8, fonts-ipafont-gothic, fonts-noto-color-emoji")
set(CPACK_STRIP_FILES ON)
include(CPack)
