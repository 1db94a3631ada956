# Compiler settings shared by every target of the project.

# Sources are UTF-8; every string literal reaches the binary as CP1251, the
# code page of all text the suite handles.
add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP1251)
add_compile_options(-Wall -Wextra)

if(ZELMOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Windows XP-era API surface is enough; keep <windows.h> lean.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# clang writes literals in UTF-8 only; its builds re-encode each source
# before compiling it (see the launcher).
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/clang-cp1251-launcher.sh)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_CURRENT_LIST_DIR}/clang-cp1251-launcher.sh)
endif()
