# Fails when a CTest name holds more than letters, digits and "_./-": a parameterised case
# named by its printed parameter (for a struct, its raw bytes, pointers included) is named anew by
# every build, so a name given on the command line stops finding it.
# Run as: cmake -DCTEST=<ctest> -DBUILD_DIR=<build folder> -P test_names.cmake
execute_process(COMMAND "${CTEST}" --test-dir "${BUILD_DIR}" -N
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest -N failed (${result})")
endif()

# A ';' or a bracket in a name would split or join the list below; each is refused anyway.
string(REGEX REPLACE "[][;]" "?" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(bad)
set(listed FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^ *Test +#[0-9]+: (.*)$")
    set(listed TRUE)
    set(name "${CMAKE_MATCH_1}") # the next match clears CMAKE_MATCH_1
    if(NOT name MATCHES "^[A-Za-z0-9_./-]+$")
      list(APPEND bad "${name}")
    endif()
  endif()
endforeach()
if(NOT listed)
  message(FATAL_ERROR "ctest -N listed no test in ${BUILD_DIR}")
endif()
if(bad)
  list(JOIN bad "\n  " shown)
  message(FATAL_ERROR "test names that are not made of identifiers:\n  ${shown}")
endif()
