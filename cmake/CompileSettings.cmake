# The warnings and definitions of the project's own targets, set on each target and not
# on the directory, so that they never reach Qt's or the system's code.
#   PALIMOR_WERROR: warnings are errors (the Makefile turns it on when CI is set).
option(PALIMOR_WERROR "Treat compiler warnings as errors" OFF)

# -Wall and -Wextra, and the further warnings the code meets already.
set(PALIMOR_WARNINGS -Wall -Wextra -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND PALIMOR_WARNINGS
       -Wpedantic -Wnon-virtual-dtor -Wsuggest-override -Woverloaded-virtual -Wold-style-cast -Wcast-qual
       -Wcast-align -Wzero-as-null-pointer-constant -Wextra-semi -Wredundant-decls -Wundef -Wformat=2
       -Wdouble-promotion -Wduplicated-cond -Wduplicated-branches -Wlogical-op -Wmismatched-tags)
endif()

# Every C++ target defined in dir and the folders below it.
function(palimor_cxx_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(folders DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  set(found)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      list(APPEND found ${t})
    endif()
  endforeach()
  foreach(folder IN LISTS folders)
    palimor_cxx_targets(${folder} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Called once, after every target is made.
function(palimor_apply_compile_settings)
  palimor_cxx_targets(${PROJECT_SOURCE_DIR} targets)
  foreach(t IN LISTS targets)
    target_compile_options(${t} PRIVATE ${PALIMOR_WARNINGS})
    if(PALIMOR_WERROR)
      target_compile_options(${t} PRIVATE -Werror)
    endif()
    target_compile_definitions(${t} PRIVATE QT_NO_KEYWORDS)
  endforeach()
endfunction()
