# Runs hftool script split on the sample script and compares its output byte
# by byte; then checks the exit statuses of a missing file and of bad usage.
# Variables: HFTOOL, DATA (tests/db/data), OUT (a scratch file).

execute_process(COMMAND "${HFTOOL}" script split "${DATA}/split_sample.sql"
                OUTPUT_FILE "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "script split exited with ${status}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}" "${DATA}/split_sample.expected"
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "script split output differs from ${DATA}/split_sample.expected (see ${OUT})")
endif()

execute_process(COMMAND "${HFTOOL}" script split "${DATA}/no-existe.sql"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 1 OR NOT err STREQUAL "El archivo (${DATA}/no-existe.sql) no existe.\n"
   OR NOT out STREQUAL "")
  message(FATAL_ERROR "missing file: status ${status}, stderr '${err}', stdout '${out}'")
endif()

execute_process(COMMAND "${HFTOOL}" script split
                OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "missing argument: status ${status}, expected 2")
endif()
