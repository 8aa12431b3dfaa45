# Makes one generated documentation file with nuvotool's own tables, at
# build time:
#   -DKIND=manual     -DTOOL=nuvotool -DTEMPLATE=x.scd -DSCDOC=scdoc -DOUT=x.1.gz
#       the template's markers filled in, through scdoc, gzipped at maximum
#   -DKIND=completion -DTOOL=nuvotool -DPROGRAM=name -DOUT=file
#       the bash completion of nuvotool or nuvoplayer
# SOURCE_DIR gives scdoc the last commit's date (when SOURCE_DATE_EPOCH is
# not set), so a page does not change with the day it was built.
function(run_tool output)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${ARGN} failed: ${err}")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

if(KIND STREQUAL "completion")
  run_tool(text "${TOOL}" doc completion "${PROGRAM}")
  file(WRITE "${OUT}.tmp" "${text}")
  file(RENAME "${OUT}.tmp" "${OUT}")
elseif(KIND STREQUAL "manual")
  run_tool(text "${TOOL}" doc manual "${TEMPLATE}")
  file(WRITE "${OUT}.scd" "${text}")
  if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND SOURCE_DIR AND EXISTS "${SOURCE_DIR}/.git")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct WORKING_DIRECTORY "${SOURCE_DIR}"
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(epoch)
        set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
      endif()
    endif()
  endif()
  execute_process(COMMAND "${SCDOC}" INPUT_FILE "${OUT}.scd" OUTPUT_FILE "${OUT}.roff"
    ERROR_VARIABLE err RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "scdoc failed on ${OUT}.scd: ${err}")
  endif()
  execute_process(COMMAND gzip -9nc "${OUT}.roff" OUTPUT_FILE "${OUT}.tmp" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${OUT}.roff")
  endif()
  file(RENAME "${OUT}.tmp" "${OUT}")
else()
  message(FATAL_ERROR "DocFile.cmake: unknown KIND '${KIND}'")
endif()
