# Adds each listed folder that has a CMakeLists.txt.
function(deskline_add_component_dirs)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Adds every direct sub-folder of the current folder that has a CMakeLists.txt,
# in alphabetical order.
function(deskline_add_all_subdirs)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Qt's warnings for connections that failed ("QObject::connect(QObject,
# QObject): invalid nullptr parameter" names the classes in between, so only
# its end is listed): the one list both ways of
# catching them read. Qt Test replaces any message handler while it runs, so
# CTest reads them in the output (a test that prints one fails, whatever its
# exit code); before and after the test functions the test main's message
# handler counts them (tests/support/testmain.cpp, which gets the list through
# a generated header). Each entry is a literal piece of the warning's text and
# is used as a regular expression by CTest, so none may hold a character that
# means something in one.
set(DESKLINE_CONNECTION_WARNINGS
  "No such signal"
  "No such slot"
  "Cannot queue arguments"
  "Incompatible sender/receiver arguments"
  "invalid nullptr parameter"
  "connect: Cannot connect"
  "connect: signal not found in"
  CACHE INTERNAL "")
foreach(warning IN LISTS DESKLINE_CONNECTION_WARNINGS)
  if(warning MATCHES "[][\\.*+?^$(){}|\"]")
    message(FATAL_ERROR "connection warning \"${warning}\" holds a character with a meaning in a regular expression")
  endif()
endforeach()

# deskline_add_test(NAME name SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...] [ENV VAR=value ...])
# A Qt Test executable run by CTest on the offscreen platform with a fresh
# temporary HOME (see tests/support/testmain.h); it fails on any failed
# connection warning in its output.
# A test whose first source is listed in DESKLINE_WIDGET_FREE_TESTS (set in
# tests/CMakeLists.txt) tests the widget-free layer: it links deskline_model
# where the others link deskline_core, and the harness without widgets
# (testsupport_core). Such tests are collected in the global property
# DESKLINE_WIDGET_FREE_TEST_TARGETS for the check of the layers (tests/layers).
function(deskline_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  list(GET T_SOURCES 0 first_source)
  get_filename_component(first_source ${first_source} ABSOLUTE)
  file(RELATIVE_PATH first_source ${CMAKE_SOURCE_DIR}/tests ${first_source})
  if(first_source IN_LIST DESKLINE_WIDGET_FREE_TESTS)
    list(TRANSFORM T_LIBS REPLACE "^deskline_core$" deskline_model)
    target_link_libraries(${T_NAME} PRIVATE testsupport_core Qt5::Test ${T_LIBS})
    set_property(GLOBAL APPEND PROPERTY DESKLINE_WIDGET_FREE_TEST_TARGETS ${T_NAME})
  else()
    target_link_libraries(${T_NAME} PRIVATE testsupport Qt5::Test ${T_LIBS})
  endif()
  # Whatever plays sound or runs the softphone opens the media module.
  if(TARGET deskline_media)
    add_dependencies(${T_NAME} deskline_media)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DESKLINE_SOURCE_DIR=${CMAKE_SOURCE_DIR};DESKLINE_BINARY_DIR=${CMAKE_BINARY_DIR};${T_ENV}"
    FAIL_REGULAR_EXPRESSION "${DESKLINE_CONNECTION_WARNINGS}")
endfunction()

# deskline_add_screenshot_test(NAME name TARGET test-executable FUNCTION function)
# Runs one function of a test executable that saves pictures of windows for a
# look by eye. It carries the label "screenshots", which `make test` leaves
# out (scripts/run-tests.sh); run them with `ctest -L screenshots`. The
# pictures land in <build>/screenshots. Without DESKLINE_SCREENSHOT_DIR, which
# this entry sets, such functions skip.
function(deskline_add_screenshot_test)
  cmake_parse_arguments(S "" "NAME;TARGET;FUNCTION" "" ${ARGN})
  if(NOT TARGET ${S_TARGET})
    message(WARNING "screenshot test ${S_NAME}: no test executable ${S_TARGET}")
    return()
  endif()
  add_test(NAME ${S_NAME} COMMAND ${S_TARGET} ${S_FUNCTION})
  set_tests_properties(${S_NAME} PROPERTIES
    TIMEOUT 300
    LABELS screenshots
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DESKLINE_SOURCE_DIR=${CMAKE_SOURCE_DIR};DESKLINE_BINARY_DIR=${CMAKE_BINARY_DIR};DESKLINE_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots"
    FAIL_REGULAR_EXPRESSION "${DESKLINE_CONNECTION_WARNINGS}")
endfunction()
