# Small helpers that keep the per-folder CMake files short.

# ombrix_subsystem(NAME [DEPENDS target...] [UI_DEPENDS target...])
# Builds the QtCore sources of the calling folder into the static library ombrix_NAME
# and its widget sources (windows, frames, dialogs and controls, recognised by their
# unit names) into ombrix_NAME_ui, which links Qt Widgets, ombrix_NAME and UI_DEPENDS.
# Logic therefore never needs a display. Every library includes from the one root src/
# ("model/uQuantity.h"). A folder without core sources yet becomes an interface library.
# The file name alone decides where a unit goes: a name starting with uOBf / uObfr (forms and
# frames), IPEdit, uDialogs, TalmoTrayIcon, uXPort...GUI or uLangMenu is a widget unit and
# lands in ombrix_NAME_ui; every other file is core. A new window unit must follow that naming
# (or be added here), else it is built into the core library without Qt Widgets and fails to
# link; tests/architecture/check_floors.py reads this same pattern.
set(OMBRIX_UI_SOURCE_REGEX "^(uOBf|uObfr|IPEdit|uDialogs|TalmoTrayIcon|uXPort.*GUI|uLangMenu)")
function(ombrix_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;UI_DEPENDS" ${ARGN})
  file(GLOB all_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  set(core_sources "")
  set(ui_sources "")
  foreach(file IN LISTS all_sources)
    get_filename_component(unit "${file}" NAME)
    if(unit MATCHES "${OMBRIX_UI_SOURCE_REGEX}")
      list(APPEND ui_sources "${file}")
    else()
      list(APPEND core_sources "${file}")
    endif()
  endforeach()
  set(target ombrix_${name})
  set(core_cpp ${core_sources})
  list(FILTER core_cpp INCLUDE REGEX "\\.cpp$")
  if(core_cpp)
    add_library(${target} STATIC ${core_sources})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
  endif()
  if(ui_sources)
    add_library(${target}_ui STATIC ${ui_sources})
    target_link_libraries(${target}_ui PUBLIC ${target} Qt6::Widgets ${ARG_UI_DEPENDS})
  endif()
endfunction()

# ombrix_tests(FOLDER LIBS target... [GUI] [LABELS label...] [NETNS stem...])
# Every test_*.cpp of the calling folder becomes one GoogleTest executable,
# named test_FOLDER_<file>, whose cases CTest discovers when it runs. Each has a
# QCoreApplication, or a QApplication with GUI (files named test_ui_*.cpp always get one).
# Every case has a 60 s time-out, so a hang fails fast. The files named in NETNS build
# network namespaces: their cases carry the labels "root" and "netns".
function(ombrix_tests folder)
  cmake_parse_arguments(ARG "GUI" "" "LIBS;LABELS;NETNS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp")
  file(GLOB support CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/support_*.cpp")
  foreach(file IN LISTS tests)
    get_filename_component(stem "${file}" NAME_WE)
    string(REGEX REPLACE "^test_" "" stem "${stem}")
    set(target test_${folder}_${stem})
    add_executable(${target} "${file}" ${support})
    set(main ombrix_testmain_core)
    if(ARG_GUI OR stem MATCHES "^ui_")
      set(main ombrix_testmain_gui)
    endif()
    set(labels ${folder} ${ARG_LABELS})
    if(stem IN_LIST ARG_NETNS)
      list(APPEND labels root netns)
    endif()
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} ombrix_testsupport ${main} GTest::gmock)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      TEST_LIST ${target}_TESTS)
    # gtest_discover_tests' PROPERTIES cannot carry a list value (labels, environment), so the
    # properties are set by a script CTest runs after the discovery.
    set(environment "QT_QPA_PLATFORM=offscreen;OMBRIX_SOURCE_DIR=${PROJECT_SOURCE_DIR};OMBRIX_BINARY_DIR=${PROJECT_BINARY_DIR}")
    set(property_script "${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake")
    file(WRITE "${property_script}"
         "set_tests_properties(\${${target}_TESTS} PROPERTIES TIMEOUT 60 LABELS \"${labels}\" ENVIRONMENT \"${environment}\")\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${property_script}")
  endforeach()
endfunction()

# ombrix_benchmarks(LIBS target... [UI_LIBS target...]): every bench_*.cpp becomes one Google
# Benchmark executable (the main() with its application object comes from tests/support).
# Files named bench_ui_*.cpp measure windows: they get a QApplication and UI_LIBS as well.
function(ombrix_benchmarks)
  cmake_parse_arguments(ARG "" "" "LIBS;UI_LIBS" ${ARGN})
  file(GLOB benches CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/bench_*.cpp")
  foreach(file IN LISTS benches)
    get_filename_component(stem "${file}" NAME_WE)
    add_executable(${stem} "${file}")
    if(stem MATCHES "^bench_ui_")
      target_link_libraries(${stem} PRIVATE ${ARG_UI_LIBS} ${ARG_LIBS} ombrix_testsupport ombrix_benchmain_gui)
    else()
      target_link_libraries(${stem} PRIVATE ${ARG_LIBS} ombrix_testsupport ombrix_benchmain)
    endif()
  endforeach()
endfunction()
