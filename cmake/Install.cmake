# Installed layout:
#   lib/orvanzev/      the program folder template: the executable, Data/ with
#                      the shipped pages, the empty lists and a configuration
#                      whose home page is the built-in game site, Ruffle/,
#                      Site/ (the built-in game site)
#   bin/orvanzev       the launcher; it runs the program from a copy of the
#                      template in the user's own folder, since Data/ beside
#                      the executable must be writable
#   share/...          menu entry, icons, AppStream metainfo
# Component "program" is the template and the launcher, "desktop" the rest.
set(ORVANZEV_TEMPLATE_DIR lib/orvanzev)
set(ORVANZEV_APP_ID org.orvanzev.Orvanzev)
set(ORVANZEV_HOMEPAGE "https://orvanzev.example" CACHE STRING
    "Project home page; the metainfo's screenshot is published under <homepage>/screenshots/")
set(ORVANZEV_SCREENSHOT screenshot.png)
# The day the version in project() was released, for the metainfo.
set(ORVANZEV_RELEASE_DATE 2026-12-10)

install(TARGETS orvanzev RUNTIME DESTINATION ${ORVANZEV_TEMPLATE_DIR} COMPONENT program)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data/ DESTINATION ${ORVANZEV_TEMPLATE_DIR}/Data COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/Config.dat DESTINATION ${ORVANZEV_TEMPLATE_DIR}/Data COMPONENT program)
install(FILES ${RUFFLE_FILES} DESTINATION ${ORVANZEV_TEMPLATE_DIR}/Ruffle COMPONENT program)
install(DIRECTORY ${SITE_DIR}/ DESTINATION ${ORVANZEV_TEMPLATE_DIR}/Site COMPONENT program)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/orvanzev.sh DESTINATION bin RENAME orvanzev COMPONENT program)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/${ORVANZEV_APP_ID}.desktop DESTINATION share/applications COMPONENT desktop)
foreach(size 16 24 32 48)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/app_${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME orvanzev.png COMPONENT desktop)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/app.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME orvanzev.svg COMPONENT desktop)
configure_file(${PROJECT_SOURCE_DIR}/packaging/${ORVANZEV_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${ORVANZEV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${ORVANZEV_APP_ID}.metainfo.xml DESTINATION share/metainfo COMPONENT desktop)

# The .deb: one package with both components. dpkg-shlibdeps finds the
# libraries the executable links (Debian's Qt WebEngine libraries bring the
# engine's helper process with them); the Chinese font of the pages is named
# here. The status bar's links open in the desktop's browser through
# xdg-open; the mixer reaches PulseAudio or PipeWire through the ALSA plug-ins.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanzev)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvanzev developers")
set(CPACK_PACKAGE_CONTACT "Orvanzev developers <maintainers@orvanzev.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "game box for web and Flash games")
set(CPACK_PACKAGE_DESCRIPTION "Browse web game sites in tabs and play their Flash games with the Ruffle
player that comes with the program; collect pages to favourites, download
games to play offline, hide everything with a boss key.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVANZEV_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libasound2-plugins")
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
