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
# The release date of this version: SOURCE_DATE_EPOCH when a reproducible build sets it, else the
# date of the last commit, else today (a source tree without git).
set(release_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT release_epoch)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
                    OUTPUT_VARIABLE release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
if(NOT release_epoch MATCHES "^[0-9]+$")
  string(TIMESTAMP release_epoch "%s" UTC)
endif()
# string(TIMESTAMP) formats SOURCE_DATE_EPOCH when it is set: the one way CMake formats a given time.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} "${release_epoch}")
string(TIMESTAMP OMBRIX_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP OMBRIX_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")

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

# Manual pages and the package's changelog, compressed as Debian wants them (gzip -9n: no name,
# no time stamp, so the package is reproducible).
find_program(OMBRIX_GZIP gzip REQUIRED)
set(doc_build_dir "${PROJECT_BINARY_DIR}/packaging")
function(ombrix_gzip_doc source compressed)
  configure_file("${source}" "${doc_build_dir}/${compressed}" @ONLY)
  add_custom_command(OUTPUT "${doc_build_dir}/${compressed}.gz"
                     COMMAND "${OMBRIX_GZIP}" -9nkf "${doc_build_dir}/${compressed}"
                     DEPENDS "${doc_build_dir}/${compressed}" VERBATIM)
  set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY OMBRIX_COMPRESSED_DOCS
                                                               "${doc_build_dir}/${compressed}.gz")
endfunction()
foreach(page IN ITEMS ombrix ombrix-logger ombrix-probe)
  ombrix_gzip_doc("${PROJECT_SOURCE_DIR}/packaging/man/${page}.1.in" "${page}.1")
  install(FILES "${doc_build_dir}/${page}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()
set(OMBRIX_PACKAGE_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/ombrix")
set(CPACK_PACKAGE_CONTACT "Ombrix developers <ombrix@talmo.example>")
ombrix_gzip_doc("${PROJECT_SOURCE_DIR}/packaging/changelog.in" "changelog")
install(FILES "${doc_build_dir}/changelog.gz" "${PROJECT_SOURCE_DIR}/packaging/copyright"
        DESTINATION "${OMBRIX_PACKAGE_DOC_DIR}")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides" RENAME ombrix)
get_property(compressed_docs DIRECTORY "${PROJECT_SOURCE_DIR}" PROPERTY OMBRIX_COMPRESSED_DOCS)
add_custom_target(ombrix_docs ALL DEPENDS ${compressed_docs})

# The logger as a system service. The /usr prefix (the package's: CPack installs it with DESTDIR)
# puts the unit into /lib/systemd/system and the configuration into /etc, where Debian 12's own
# packages put them; any other prefix keeps everything below it, so a test can install into a
# temporary folder and check the unit against the binary it names.
if(TARGET ombrix-logger)
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/ombrix.sysusers" DESTINATION "lib/sysusers.d"
          RENAME ombrix.conf)
  install(CODE "set(OMBRIX_UNIT_SOURCE \"${PROJECT_SOURCE_DIR}/packaging/ombrix-logger@.service.in\")
                set(OMBRIX_UNIT_BUILT \"${PROJECT_BINARY_DIR}/packaging/unit/ombrix-logger@.service\")
                set(OMBRIX_EXAMPLE_CONF \"${PROJECT_SOURCE_DIR}/packaging/example.conf\")")
  install(CODE [[
    if(CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$")
      set(unit_dir "/lib/systemd/system")
      set(OMBRIX_CONFIG_DIR "/etc/ombrix")
    else()
      set(unit_dir "${CMAKE_INSTALL_PREFIX}/lib/systemd/system")
      set(OMBRIX_CONFIG_DIR "${CMAKE_INSTALL_PREFIX}/etc/ombrix")
    endif()
    set(OMBRIX_LOGGER_PATH "${CMAKE_INSTALL_PREFIX}/bin/ombrix-logger")
    configure_file("${OMBRIX_UNIT_SOURCE}" "${OMBRIX_UNIT_BUILT}" @ONLY)
    file(INSTALL "${OMBRIX_UNIT_BUILT}" DESTINATION "${unit_dir}")
    file(INSTALL "${OMBRIX_EXAMPLE_CONF}" DESTINATION "${OMBRIX_CONFIG_DIR}")
  ]])
endif()

# Debian package: cpack -G DEB (in the build folder). The dependencies come from the
# libraries the programs link (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME "ombrix")
set(CPACK_PACKAGE_VENDOR "TALMO")
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
# libqt6svg6, whose plugins draw the SVG icons, comes in this way through the logo's link to Qt Svg.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
# The alarm sounds' aliases map onto the freedesktop sound theme.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://talmo.example/")
# postinst makes the service's user with systemd-sysusers, or with adduser where systemd is absent.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/deb/postinst"
                                       "${PROJECT_SOURCE_DIR}/packaging/deb/postrm"
                                       "${PROJECT_SOURCE_DIR}/packaging/deb/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
