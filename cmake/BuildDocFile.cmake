# cmake -DINPUT=... -DOUTPUT=... [-DSCDOC=...] [-DGZIP=...] -P BuildDocFile.cmake
# Turns a scdoc source into a manual page (with SCDOC) and compresses it the
# way Debian wants, without a name or time stamp in the header (gzip -9n).
set(source "${INPUT}")
if(SCDOC)
    string(REGEX REPLACE "\\.gz$" "" source "${OUTPUT}")
    execute_process(COMMAND "${SCDOC}" INPUT_FILE "${INPUT}" OUTPUT_FILE "${source}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "scdoc failed on ${INPUT}")
    endif()
endif()
execute_process(COMMAND "${GZIP}" -9n -c "${source}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "gzip failed on ${source}")
endif()
