# Small helpers that keep the per-folder CMake files short.

# ombrix_subsystem(NAME [DEPENDS target...])
# Builds every .cpp of the calling folder into the static library ombrix_NAME.
# A folder without sources yet becomes an interface library, so dependants link anyway.
function(ombrix_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  set(target ombrix_${name})
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${CMAKE_CURRENT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# ombrix_tests(FOLDER LIBS target... [GUI] [LABELS label...])
# Every test_*.cpp of the calling folder becomes one GoogleTest executable,
# named test_FOLDER_<file>, whose cases CTest discovers when it runs. Each has a
# QCoreApplication, or a QApplication with GUI (files named test_ui_*.cpp always get one).
function(ombrix_tests folder)
  cmake_parse_arguments(ARG "GUI" "" "LIBS;LABELS" ${ARGN})
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
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} ombrix_testsupport ${main} GTest::gmock)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${folder};${ARG_LABELS}"
                 ENVIRONMENT "QT_QPA_PLATFORM=offscreen;OMBRIX_SOURCE_DIR=${PROJECT_SOURCE_DIR};OMBRIX_BINARY_DIR=${PROJECT_BINARY_DIR}")
  endforeach()
endfunction()

# ombrix_benchmarks(LIBS target...): every bench_*.cpp becomes one Google Benchmark executable
# (the main() with its application object comes from tests/support).
function(ombrix_benchmarks)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB benches CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/bench_*.cpp")
  foreach(file IN LISTS benches)
    get_filename_component(stem "${file}" NAME_WE)
    add_executable(${stem} "${file}")
    target_link_libraries(${stem} PRIVATE ${ARG_LIBS} ombrix_testsupport ombrix_benchmain)
  endforeach()
endfunction()
