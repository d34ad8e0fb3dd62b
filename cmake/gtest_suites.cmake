# Run by ctest (through the directory's TEST_INCLUDE_FILES) before it runs anything: lists the
# suites of a GoogleTest program under its emulator and adds one test per suite, named
# <prefix><suite>, running that suite only. The list is made again only when the program is newer.
# Set by the include file: EXECUTABLE, EMULATOR, PREFIX, SUITES_FILE, TIMEOUT, ENVIRONMENT, EXCLUDE
# (a pattern of suites run elsewhere; "" for none).

if(NOT EXISTS "${EXECUTABLE}")
  add_test("${PREFIX}NOT_BUILT" "${PREFIX}NOT_BUILT")
  return()
endif()

if(NOT EXISTS "${SUITES_FILE}" OR "${EXECUTABLE}" IS_NEWER_THAN "${SUITES_FILE}")
  execute_process(COMMAND ${EMULATOR} "${EXECUTABLE}" --gtest_list_tests
    OUTPUT_VARIABLE listing RESULT_VARIABLE result TIMEOUT 120)
  if(NOT result EQUAL 0)
    # A test that fails and says why, rather than an empty list that passes.
    add_test("${PREFIX}NOT_LISTED" "${CMAKE_COMMAND}" -E echo "listing ${EXECUTABLE} failed: ${result}")
    set_tests_properties("${PREFIX}NOT_LISTED" PROPERTIES WILL_FAIL ON)
    return()
  endif()
  string(REPLACE "\r" "" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(content "")
  foreach(line IN LISTS lines)
    # Suites start in the first column and end in a dot (a typed suite adds a comment).
    if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
      set(suite "${CMAKE_MATCH_1}")
      if(NOT "${EXCLUDE}" STREQUAL "" AND suite MATCHES "${EXCLUDE}")
        continue()
      endif()
      string(APPEND content
        "add_test([==[${PREFIX}${suite}]==] ${EMULATOR} [==[${EXECUTABLE}]==] "
        "[==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${PREFIX}${suite}]==] PROPERTIES TIMEOUT ${TIMEOUT} RUN_SERIAL ON "
        "ENVIRONMENT [==[${ENVIRONMENT}]==])\n")
    endif()
  endforeach()
  file(WRITE "${SUITES_FILE}" "${content}")
endif()
include("${SUITES_FILE}")
