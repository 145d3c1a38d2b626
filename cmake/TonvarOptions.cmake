# SPDX-License-Identifier: GPL-3.0-or-later
# Compiler settings shared by every target of our own. Qt and GoogleTest come in
# as imported targets, so their headers are system headers and do not trip -Werror.
add_library(tonvar_options INTERFACE)
target_compile_options(tonvar_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual)
if(TONVAR_WERROR)
  target_compile_options(tonvar_options INTERFACE -Werror)
endif()
# g++ 12 at -O3 reports -Wrestrict inside std::string where nothing overlaps
# (assigning a short literal, for one); it is noise there, not a finding.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tonvar_options INTERFACE -Wno-restrict)
endif()
target_compile_definitions(tonvar_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_KEYWORDS)

# Hardened as Debian builds its packages (dpkg-buildflags with hardening=+all):
# stack protector, position-independent executables (-fPIC, not -fPIE: Qt is
# built with reduce-relocations and refuses -fPIE), read-only relocations bound
# at start-up (-z relro, -z now) and, where the build is optimised and no
# sanitizer runs, the checked libc functions of _FORTIFY_SOURCE=2 (they need
# -O1 or more, and they hide memory accesses from the sanitizers' own checks).
target_compile_options(tonvar_options INTERFACE -fstack-protector-strong -fPIC)
target_link_options(tonvar_options INTERFACE
  LINKER:-z,relro LINKER:-z,now $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>)
if(NOT TONVAR_SANITIZE AND NOT TONVAR_TSAN)
  target_compile_options(tonvar_options INTERFACE
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()

if(TONVAR_SANITIZE)
  set(_tonvar_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(tonvar_options INTERFACE ${_tonvar_san})
  target_link_options(tonvar_options INTERFACE ${_tonvar_san})
  # libstdc++ checks every index into a std::array or std::vector: the frame
  # and receive buffers are arrays inside one object, so running from one
  # into the next is invisible to AddressSanitizer alone.
  target_compile_definitions(tonvar_options INTERFACE _GLIBCXX_ASSERTIONS)
endif()
if(TONVAR_FUZZ)
  # On top of the sanitizers above: coverage for libFuzzer in every library,
  # and the bounds check of arrays in local variables as well.
  target_compile_options(tonvar_options INTERFACE -fsanitize=fuzzer-no-link,bounds)
  target_link_options(tonvar_options INTERFACE -fsanitize=bounds)
endif()
if(TONVAR_TSAN)
  set(_tonvar_tsan -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(tonvar_options INTERFACE ${_tonvar_tsan})
  target_link_options(tonvar_options INTERFACE ${_tonvar_tsan})
endif()

# One static library per folder of src/, linked by the application and the tests.
function(tonvar_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC tonvar_options ${ARG_DEPENDS})
endfunction()
