# One INTERFACE target carries the language standard, the warnings and the
# sanitizer flags, so every library, executable and test is built alike.
add_library(parvex_options INTERFACE)
target_compile_features(parvex_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
  target_compile_options(parvex_options INTERFACE /W4 /utf-8)
  if(WARNINGS_AS_ERRORS)
    target_compile_options(parvex_options INTERFACE /WX)
  endif()
else()
  target_compile_options(parvex_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                  -Wno-sign-conversion)
  if(WARNINGS_AS_ERRORS)
    target_compile_options(parvex_options INTERFACE -Werror)
  endif()
  # GCC 12 at -O3 warns of overlapping copies inside the standard library's
  # own string concatenation ("x" + std::string), which cannot happen; the
  # warning stays on for every other compiler.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(parvex_options INTERFACE -Wno-restrict)
  endif()
endif()

target_compile_definitions(parvex_options INTERFACE QT_NO_CAST_FROM_ASCII
                                                    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(PARVEX_SANITIZE)
  target_compile_options(parvex_options INTERFACE -fsanitize=address,undefined
                                                  -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(parvex_options INTERFACE -fsanitize=address,undefined)
endif()

# The hardening Debian builds its packages with: checked memory and string
# functions in optimised builds, and relocations resolved and made read-only at
# start. The sanitizer and fuzzing builds check memory themselves.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT PARVEX_SANITIZE AND NOT PARVEX_BUILD_FUZZERS)
  target_compile_definitions(
    parvex_options INTERFACE $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  target_link_options(parvex_options INTERFACE LINKER:-z,relro,-z,now)
endif()
