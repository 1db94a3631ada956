# The fuzzing build (ZELMOR_FUZZ, clang only): every target carries the
# fuzzer's coverage and the address and undefined-behaviour sanitizers; the
# fuzz targets in fuzz/ link libFuzzer's driver.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZELMOR_FUZZ needs clang (configure with CC=clang CXX=clang++)")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)
