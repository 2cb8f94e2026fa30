# cmake -DIN=file -DOUT=file.gz [-DFILTER=program] -P Gzip.cmake
# Compresses IN (after FILTER when given) the way Debian wants it: best compression, no name
# or time stamp inside. Fails when any step fails, leaving no half-made file.
set(steps)
if(FILTER)
  list(APPEND steps COMMAND ${FILTER})
endif()
execute_process(${steps} COMMAND gzip -9n INPUT_FILE ${IN} OUTPUT_FILE ${OUT}.part RESULTS_VARIABLE results)
foreach(result IN LISTS results)
  if(NOT result EQUAL 0)
    file(REMOVE ${OUT}.part)
    message(FATAL_ERROR "making ${OUT} from ${IN} failed: ${results}")
  endif()
endforeach()
file(RENAME ${OUT}.part ${OUT})
