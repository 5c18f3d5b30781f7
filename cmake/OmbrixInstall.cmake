# Installation and the Debian package.
#
#   <prefix>/lib/ombrix/   the program, ombrix-logger, ombrix-probe, the language modules and the
#                          help files, together: the program finds them next to its real file
#   <prefix>/bin/          relative links into lib/ombrix (the program resolves the link, so
#                          its folder stays lib/ombrix whichever way it is started)
#   <prefix>/share/        desktop entry, icons in the hicolor theme, AppStream metainfo
#
# A language module is installed when the step that builds it adds its file to the global
# property OMBRIX_LANGUAGE_MODULES (set_property(GLOBAL APPEND PROPERTY ...)) before this file
# is included.

include(GNUInstallDirs)

set(OMBRIX_INSTALL_PROGRAM_DIR "lib/ombrix")
set(OMBRIX_APP_ID "example.talmo.Ombrix")

set(ombrix_programs ombrix ombrix-probe)
if(TARGET ombrix-logger)
  list(APPEND ombrix_programs ombrix-logger)
endif()
install(TARGETS ${ombrix_programs} RUNTIME DESTINATION "${OMBRIX_INSTALL_PROGRAM_DIR}")

# The links are made once in the build tree and installed as links.
set(link_dir "${PROJECT_BINARY_DIR}/install-links")
file(MAKE_DIRECTORY "${link_dir}")
foreach(program IN LISTS ombrix_programs)
  file(CREATE_LINK "../${OMBRIX_INSTALL_PROGRAM_DIR}/${program}" "${link_dir}/${program}" SYMBOLIC)
  install(FILES "${link_dir}/${program}" DESTINATION "${CMAKE_INSTALL_BINDIR}")
endforeach()

file(GLOB help_files CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/help_*.txt")
get_property(language_modules GLOBAL PROPERTY OMBRIX_LANGUAGE_MODULES)
install(FILES ${help_files} ${language_modules} DESTINATION "${OMBRIX_INSTALL_PROGRAM_DIR}")

install(FILES "${PROJECT_SOURCE_DIR}/packaging/${OMBRIX_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
configure_file("${PROJECT_SOURCE_DIR}/packaging/${OMBRIX_APP_ID}.metainfo.xml"
               "${PROJECT_BINARY_DIR}/packaging/${OMBRIX_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/packaging/${OMBRIX_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")

set(icon_theme "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor")
install(FILES "${PROJECT_SOURCE_DIR}/resources/icons/ombrix.svg" DESTINATION "${icon_theme}/scalable/apps")
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  install(FILES "${PROJECT_SOURCE_DIR}/resources/icons/hicolor/ombrix-${size}.png"
          DESTINATION "${icon_theme}/${size}x${size}/apps" RENAME ombrix.png)
endforeach()

# Debian package: cpack -G DEB (in the build folder). The dependencies come from the
# libraries the programs link (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME "ombrix")
set(CPACK_PACKAGE_VENDOR "TALMO")
set(CPACK_PACKAGE_CONTACT "Ombrix developers <ombrix@talmo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch a measuring transmitter live")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Ombrix watches one measuring transmitter (temperature, humidity, pressure,\n"
       "CO2, binary inputs and relays) over Modbus RTU or Modbus/TCP: live values,\n"
       "a popup window, alarms with sound, CSV logging and history charts.\n"
       "ombrix-logger and ombrix-probe read the same devices from the command line.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
# The alarm sounds' aliases map onto the freedesktop sound theme.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop")
include(CPack)
