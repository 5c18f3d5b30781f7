# Builds the Debian package from the build folder BUILD_DIR with CPACK_COMMAND and checks its
# layout and that its dependencies came from the programs' libraries.
cmake_minimum_required(VERSION 3.25)

find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS)
  message(FATAL_ERROR "dpkg-deb and dpkg-shlibdeps are needed (package dpkg-dev; scripts/install-deps)")
endif()

string(RANDOM LENGTH 8 suffix)
set(out_dir "${BUILD_DIR}/package-test-${suffix}")
execute_process(COMMAND "${CPACK_COMMAND}" -G DEB -B "${out_dir}" --config "${BUILD_DIR}/CPackConfig.cmake"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB packages "${out_dir}/*.deb")
if(NOT result EQUAL 0 OR NOT packages)
  file(REMOVE_RECURSE "${out_dir}")
  message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()
list(GET packages 0 package)

execute_process(COMMAND "${DPKG_DEB}" --field "${package}" Depends OUTPUT_VARIABLE depends)
execute_process(COMMAND "${DPKG_DEB}" --contents "${package}" OUTPUT_VARIABLE contents)
file(REMOVE_RECURSE "${out_dir}")

set(failures "")
# Found by dpkg-shlibdeps from what the programs link, not written by hand.
foreach(library IN ITEMS libqt6core6 libmodbus5 libc6)
  if(NOT depends MATCHES "${library}")
    string(APPEND failures "Depends lacks ${library}: ${depends}\n")
  endif()
endforeach()
foreach(entry IN ITEMS
        "./usr/lib/ombrix/ombrix\n"
        "./usr/lib/ombrix/ombrix-probe\n"
        "./usr/lib/ombrix/help_english.txt\n"
        "./usr/lib/ombrix/help_czech.txt\n"
        "./usr/lib/ombrix/help_german.txt\n"
        "./usr/lib/ombrix/ombrix.cs\n"
        "./usr/lib/ombrix/ombrix.de\n"
        "./usr/bin/ombrix -> ../lib/ombrix/ombrix\n"
        "./usr/bin/ombrix-probe -> ../lib/ombrix/ombrix-probe\n"
        "./usr/share/applications/example.talmo.Ombrix.desktop\n"
        "./usr/share/metainfo/example.talmo.Ombrix.metainfo.xml\n"
        "./usr/share/icons/hicolor/scalable/apps/ombrix.svg\n"
        "./usr/share/icons/hicolor/16x16/apps/ombrix.png\n"
        "./usr/share/icons/hicolor/256x256/apps/ombrix.png\n")
  string(FIND "${contents}" "${entry}" position)
  if(position EQUAL -1)
    string(STRIP "${entry}" shown)
    string(APPEND failures "the package lacks ${shown}\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}package contents:\n${contents}")
endif()
message(STATUS "package ok: ${package}; Depends: ${depends}")
