# corvane_suite_tests(<target> <label> [<suite>...]) adds one ctest test per
# GoogleTest suite of <target>, each running that suite's cases in one process
# (--gtest_filter=Suite.*). The suites named after the label run on one thread
# only, and also carry the label onethread. A sanitizer's run-time costs 0.15-0.3 s of start-up
# per process, so the sanitizer trees take their suites this way rather than a
# process per case. The suites are listed when ctest runs (as
# gtest_discover_tests' PRE_TEST mode does), so a new suite or case runs at once.
function(corvane_suite_tests target label)
  set(one_thread "${ARGN}")
  # @target@, @label@ and @one_thread@ are this call's; ${...} is read when ctest runs.
  string(CONFIGURE [[
set(binary "$<TARGET_FILE:@target@>")
set(one_thread "@one_thread@")
if(NOT EXISTS "${binary}")
  add_test(@target@_NOT_BUILT "${binary}")
  return()
endif()
execute_process(COMMAND "${binary}" --gtest_list_tests
                OUTPUT_VARIABLE listing RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
  add_test(@target@_CANNOT_LIST "${binary}" --gtest_list_tests)
  return()
endif()
# Parameter comments may hold what a CMake list reads as its own syntax.
string(REGEX REPLACE "[][;\\]" "_" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  # A suite's line starts in the first column and ends in a dot; a
  # parameterised or typed suite may carry a comment after it.
  if(line MATCHES "^([^ #]+)\\.( |$)")
    set(suite "${CMAKE_MATCH_1}")
    add_test("@label@.${suite}" "${binary}" "--gtest_filter=${suite}.*")
    set(labels "@label@")
    list(FIND one_thread "${suite}" at)  # (ctest reads this without IN_LIST's policy)
    if(NOT at EQUAL -1)
      list(APPEND labels onethread)
    endif()
    set_tests_properties("@label@.${suite}" PROPERTIES LABELS "${labels}")
  endif()
endforeach()
]] script @ONLY)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake)
  file(GENERATE OUTPUT ${file} CONTENT "${script}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()
