# Instrumented builds. DUNLIVO_SANITIZE builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (CI's second test run, in its own build folder); DUNLIVO_FUZZ (clang
# only) adds libFuzzer's coverage instrumentation and the fuzz targets in fuzz/.
option(DUNLIVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(DUNLIVO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(DUNLIVO_SANITIZE OR DUNLIVO_FUZZ)
  # Undefined behaviour stops the program, so a test or a fuzzer cannot pass over it.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(DUNLIVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "DUNLIVO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Drops the instrumentation from a target, for code that is loaded into other programs (a
# preloaded library must not bring a sanitizer runtime of its own).
function(dunlivo_uninstrumented target)
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "")
  set_property(TARGET ${target} PROPERTY LINK_OPTIONS "")
endfunction()
