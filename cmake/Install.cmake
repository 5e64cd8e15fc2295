# What `cmake --install` puts under the prefix beside the programs: the
# launcher, the manual pages, the desktop entry and its icon, and the demo game
# with the pictures, sounds and movie that the build made for it.
include(GNUInstallDirs)

# Plays a game directory, or a user's copy of the installed demo.
install(PROGRAMS tools/velmora-play DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES man/velmora.6 man/velmora-play.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES man/velmora-archive.1 man/velmora-lint.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES data/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon is drawn at each size by a script, like the demo's pictures.
set(VELMORA_ICON_SIZES 48 128 256)
set(ICON_DIR ${CMAKE_BINARY_DIR}/icon)
list(TRANSFORM VELMORA_ICON_SIZES PREPEND ${ICON_DIR}/velmora- OUTPUT_VARIABLE icon_files)
list(TRANSFORM icon_files APPEND .png)
add_custom_command(OUTPUT ${icon_files}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make-icon.py ${ICON_DIR}
    ${VELMORA_ICON_SIZES}
  DEPENDS scripts/make-icon.py scripts/make-demo-pictures.py
  COMMENT "Drawing the application icon")
add_custom_target(velmora_icon ALL DEPENDS ${icon_files})
foreach(size IN LISTS VELMORA_ICON_SIZES)
  install(FILES ${ICON_DIR}/velmora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME velmora.png)
endforeach()

# The demo: its script and scripted input from the source tree, its media from
# the build, and the empty folders its screenshots and header-less saves go to.
set(DEMO_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/velmora/demo)
install(FILES examples/demo/0.txt examples/demo/autoplay.txt DESTINATION ${DEMO_INSTALL_DIR})
install(DIRECTORY ${DEMO_PICTURES_DIR}/ ${DEMO_SOUNDS_DIR}/ ${DEMO_MOVIES_DIR}/
  DESTINATION ${DEMO_INSTALL_DIR})
install(DIRECTORY DESTINATION ${DEMO_INSTALL_DIR}/screenshots)
install(DIRECTORY DESTINATION ${DEMO_INSTALL_DIR}/sav)
