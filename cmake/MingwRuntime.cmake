# The MinGW runtime DLLs every program of the cross build needs beside it:
# copied into the output folder at configure time, so that the tests run
# under Wine from any build folder.
set(ZELMOR_MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE _zelmor_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${_zelmor_dll}" OR NOT EXISTS "${_zelmor_dll}")
    message(FATAL_ERROR "MinGW runtime ${dll} not found")
  endif()
  file(COPY ${_zelmor_dll} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  list(APPEND ZELMOR_MINGW_RUNTIME_DLLS ${_zelmor_dll})
endforeach()
