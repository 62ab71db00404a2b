# A throw-away PostgreSQL server for the history tests: started before the
# first test that needs it and stopped after the last (a CTest fixture), in
# a fresh cluster each run. It listens on a Unix socket in its folder only;
# the tests find the address in PARVEX_TEST_PG_URI and libpq the password
# through PGPASSFILE, as a team's user would give it.
set(PARVEX_PG_DIR ${CMAKE_BINARY_DIR}/pg)
set(PARVEX_PG_URI "postgresql://parvex@/parvex?host=${PARVEX_PG_DIR}&port=5432")
set(_pg_server ${CMAKE_CURRENT_SOURCE_DIR}/history/pg-server.sh)
add_test(NAME history.pg_server_start COMMAND ${_pg_server} start ${PARVEX_PG_DIR})
add_test(NAME history.pg_server_stop COMMAND ${_pg_server} stop ${PARVEX_PG_DIR})
set_tests_properties(history.pg_server_start PROPERTIES FIXTURES_SETUP pg_server
                     LABELS history TIMEOUT 120)
set_tests_properties(history.pg_server_stop PROPERTIES FIXTURES_CLEANUP pg_server
                     LABELS history TIMEOUT 60)

# The suite lists its PostgreSQL cases only when it sees the address, so
# listing the cases (at build time) needs it too: both go through the test
# program's launcher, env(1) with the two settings.
set(PARVEX_PG_LAUNCHER env "PARVEX_TEST_PG_URI=${PARVEX_PG_URI}" "PGPASSFILE=${PARVEX_PG_DIR}/pgpass")

# Every case of target run while the server is up.
function(parvex_tests_on_pg_server target)
  # Read by CTest after the list of cases it found.
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_pg_server.cmake)
  file(WRITE ${file} "if(${target}_TESTS)\n"
                     "  set_tests_properties(\${${target}_TESTS} PROPERTIES FIXTURES_REQUIRED pg_server)\n"
                     "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()
