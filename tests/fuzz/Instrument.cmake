# Instruments every target of the build; the top level includes it before its first one.
#   PALIMOR_SANITIZE: AddressSanitizer (with its leak check) and UndefinedBehaviorSanitizer,
#                     gcc or clang. A report ends the process: nothing is recovered from.
#   PALIMOR_FUZZ:     the same, with libFuzzer's coverage for the fuzz targets (clang).
# Qt and the system libraries stay as Debian built them, uninstrumented.
if(PALIMOR_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "PALIMOR_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ (make fuzz does)")
endif()

add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
if(PALIMOR_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# -O1, as the sanitizers are meant to run, at half the compile time of -O2 (it follows
# the build type's own level on the command line). `make test-sanitize` builds Debug
# with it, which keeps Q_ASSERT on.
if(PALIMOR_SANITIZE AND NOT PALIMOR_FUZZ)
  add_compile_options(-O1)
endif()
