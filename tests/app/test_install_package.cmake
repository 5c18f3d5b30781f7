# Builds the Debian package from the build folder BUILD_DIR with CPACK_COMMAND and checks its
# layout, that its dependencies came from the programs' libraries, that lintian finds no error
# in it, and that its postinst makes the service's user.
cmake_minimum_required(VERSION 3.25)

find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(LINTIAN lintian)
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS OR NOT LINTIAN)
  message(FATAL_ERROR "dpkg-deb, dpkg-shlibdeps and lintian are needed (packages dpkg-dev, lintian; "
                      "scripts/install-deps)")
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
execute_process(COMMAND "${DPKG_DEB}" --control "${package}" "${out_dir}/control")
file(READ "${out_dir}/control/conffiles" conffiles)
# Info tags too: hardening-no-bindnow is one. The overrides of a source package do not exist here.
execute_process(COMMAND "${LINTIAN}" --display-info --tag-display-limit 0 "${package}"
                OUTPUT_VARIABLE lintian_output ERROR_VARIABLE lintian_output)

set(failures "")
# No error, and none of the tags of what a package must bring: its copyright and changelog,
# manual pages, the distribution's hardening of every program, a service that systemd accepts.
string(REGEX MATCHALL "(^|\n)E: [^\n]*" lintian_errors "${lintian_output}")
if(lintian_errors)
  string(APPEND failures "lintian errors:${lintian_errors}\n")
endif()
set(forbidden_tags no-copyright-file copyright-without-copyright-notice debian-changelog-file-missing
    changelog-file-missing-in-native-package no-manual-page binary-without-manpage manpage-has-errors-from-man
    groff-message systemd-service-file-missing-documentation-key maintainer-script-needs-depends-on-adduser
    non-standard-dir-perm control-file-has-bad-permissions package-contains-timestamped-gzip)
if(HARDENED)
  list(APPEND forbidden_tags hardening-no-relro hardening-no-bindnow hardening-no-fortify-functions
       hardening-no-pie)
endif()
foreach(tag IN LISTS forbidden_tags)
  if(lintian_output MATCHES "[^\n]*: ${tag}( [^\n]*)?")
    string(APPEND failures "lintian: ${CMAKE_MATCH_0}\n")
  endif()
endforeach()
# The program itself shows no fortified call (lintian is told why), so its compile command shows
# the flags instead.
file(READ "${BUILD_DIR}/compile_commands.json" compile_commands)
string(REGEX MATCH "\"command\": \"[^\"]*\"[^}]*app/ombrix\\.cpp\"" program_command "${compile_commands}")
foreach(flag IN ITEMS -D_FORTIFY_SOURCE=2 -fstack-protector-strong)
  if(HARDENED AND NOT program_command MATCHES "${flag}")
    string(APPEND failures "app/ombrix.cpp is compiled without ${flag}: ${program_command}\n")
  endif()
endforeach()
if(NOT conffiles MATCHES "(^|\n)/etc/ombrix/example.conf\n")
  string(APPEND failures "conffiles lacks /etc/ombrix/example.conf: ${conffiles}\n")
endif()

# The postinst against stand-ins that log their calls: systemd-sysusers where it exists, else
# adduser for a user that does not exist yet; exit status 0 either way. The systemctl stand-in
# keeps the test from reloading this machine's service manager; PATH holds only the stand-ins,
# so the machine's own tools are never found (the script needs no others).
set(stand_ins "${out_dir}/stand-ins")
file(MAKE_DIRECTORY "${stand_ins}")
foreach(tool IN ITEMS systemd-sysusers adduser getent systemctl)
  set(status 0)
  if(tool STREQUAL "getent")
    set(status 2) # no such user or group yet
  endif()
  file(WRITE "${stand_ins}/${tool}" "#!/bin/sh\necho \"${tool} $*\" >> \"${out_dir}/calls\"\nexit ${status}\n")
  file(CHMOD "${stand_ins}/${tool}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
foreach(with_sysusers IN ITEMS YES NO)
  if(NOT with_sysusers)
    file(REMOVE "${stand_ins}/systemd-sysusers")
  endif()
  file(REMOVE "${out_dir}/calls")
  execute_process(COMMAND env "PATH=${stand_ins}" /bin/sh -e "${out_dir}/control/postinst" configure
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(calls "")
  if(EXISTS "${out_dir}/calls")
    file(READ "${out_dir}/calls" calls)
  endif()
  if(with_sysusers)
    set(expected "systemd-sysusers ombrix.conf\n")
  else()
    string(CONCAT expected "getent passwd ombrix\n"
                  "adduser --quiet --system --group --home /var/lib/ombrix --no-create-home "
                  "--gecos Ombrix measurement logger ombrix\n" "getent group dialout\n")
  endif()
  if(EXISTS /run/systemd/system)
    string(APPEND expected "systemctl --system daemon-reload\n")
  endif()
  if(NOT result EQUAL 0 OR NOT calls STREQUAL expected)
    string(APPEND failures "postinst (systemd-sysusers: ${with_sysusers}) exit ${result}, ${output}\n"
                           "called:\n${calls}expected:\n${expected}")
  endif()
endforeach()
file(REMOVE_RECURSE "${out_dir}")

# Found by dpkg-shlibdeps from what the programs link, not written by hand.
foreach(library IN ITEMS libqt6core6 libqt6svg6 libmodbus5 libc6)
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
        "./usr/share/icons/hicolor/256x256/apps/ombrix.png\n"
        "./usr/share/man/man1/ombrix.1.gz\n"
        "./usr/share/man/man1/ombrix-probe.1.gz\n"
        "./usr/share/man/man1/ombrix-logger.1.gz\n"
        "./usr/share/doc/ombrix/copyright\n"
        "./usr/share/doc/ombrix/changelog.gz\n"
        "./usr/lib/ombrix/ombrix-logger\n"
        "./lib/systemd/system/ombrix-logger@.service\n"
        "./usr/lib/sysusers.d/ombrix.conf\n"
        "./etc/ombrix/example.conf\n")
  string(FIND "${contents}" "${entry}" position)
  if(position EQUAL -1)
    string(STRIP "${entry}" shown)
    string(APPEND failures "the package lacks ${shown}\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}package contents:\n${contents}")
endif()
message(STATUS "package ok: ${package}; Depends: ${depends}\nlintian:\n${lintian_output}")
