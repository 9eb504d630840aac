# Compares the dynamic symbol table of the built library with the list of
# exported symbols, and checks its SONAME and run-time dependencies.
#   cmake -DNM=... -DOBJDUMP=... -DLIB=... -DEXPECTED=... -DSONAME=...
#         -DSANITIZED=ON|OFF -P check_exports.cmake
#
# AddressSanitizer gives every exported global variable a one-byte ODR
# indicator "__odr_asan.<name>" in .bss, exported beside it. In a sanitized
# build exactly one such indicator is expected for each exported variable,
# and nothing else is tolerated.

execute_process(COMMAND "${NM}" -D --defined-only "${LIB}"
  OUTPUT_VARIABLE nm_out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()

set(actual "")
string(REPLACE "\n" ";" nm_lines "${nm_out}")
foreach(line IN LISTS nm_lines)
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
    list(APPEND actual "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
  elseif(NOT line STREQUAL "")
    list(APPEND actual "? ${line}")
  endif()
endforeach()

set(expected "")
file(STRINGS "${EXPECTED}" expected_lines)
foreach(line IN LISTS expected_lines)
  if(line MATCHES "^([TD]) ([A-Za-z_][A-Za-z0-9_]*)$")
    list(APPEND expected "${line}")
    if(SANITIZED AND CMAKE_MATCH_1 STREQUAL "D")
      list(APPEND expected "B __odr_asan.${CMAKE_MATCH_2}")
    endif()
  endif()
endforeach()

list(SORT actual)
list(SORT expected)
set(missing ${expected})
list(REMOVE_ITEM missing ${actual})
set(extra ${actual})
list(REMOVE_ITEM extra ${expected})
list(LENGTH actual n_actual)
list(LENGTH expected n_expected)
if(missing OR extra OR NOT n_actual EQUAL n_expected)
  message(FATAL_ERROR "exported symbols differ\n  missing: ${missing}\n  extra: ${extra}\n"
    "  counts: ${n_actual} exported, ${n_expected} expected")
endif()
message(STATUS "${n_actual} exported symbols as expected")

execute_process(COMMAND "${OBJDUMP}" -p "${LIB}" OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${LIB}")
endif()
string(REPLACE "." "\\." soname_re "${SONAME}")
if(NOT dyn MATCHES "SONAME +${soname_re}\n")
  message(FATAL_ERROR "SONAME is not ${SONAME}")
endif()
if(NOT dyn MATCHES "NEEDED +libgomp\\.so")
  message(FATAL_ERROR "libgomp is not among the needed libraries")
endif()
if(dyn MATCHES "NEEDED +(libstdc\\+\\+|libQt5)")
  message(FATAL_ERROR "the library must need only the OpenMP runtime and the C library")
endif()
