# `cpack -G DEB` builds a Debian package of the installed files. The shared
# libraries' packages are found by dpkg-shlibdeps; the font the engine falls
# back to and the soundfont that MIDI music plays with are data packages, so
# they are named here.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "The Velmora developers <velmora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interpreter for script-driven visual novels")
set(CPACK_PACKAGE_DESCRIPTION
  "Velmora plays visual novels and adventure games written as scenario scripts, with \
their pictures, sprites, transition effects, text, music, voices and movies. It \
comes with a short demo game, velmora-archive, which lists, extracts and \
creates the games' data archives, and velmora-lint, which checks a game's script \
without running it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, timgm6mb-soundfont | sf3-soundfont-gm")
include(CPack)
