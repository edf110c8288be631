# Common settings and the helpers that build one library per source folder.

# ccache where it is installed. Compiles with a precompiled header are cached only when
# ccache may ignore the header's time stamps and the definitions inside it.
find_program(ZEMO_CCACHE ccache)
if(ZEMO_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(_launcher ${CMAKE_COMMAND} -E env
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      ${ZEMO_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_launcher})
endif()

# Precompiled headers: the standard library and Qt (and GoogleTest for tests) compiled once
# per kind in the first target of that kind and reused by the others, whose compile options
# match. The first of each kind has the fewest definitions: a header compiled with a definition
# that its user lacks is refused by clang and skipped by gcc.
option(ZEMO_PCH "Precompile the standard library, Qt and GoogleTest headers" ON)
# clang stamps a precompiled header with the time it was made; ccache reuses it only without.
if(ZEMO_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options("SHELL:-Xclang -fno-pch-timestamp")
endif()

# zemo_use_pch(<target> Engine|Widgets|Tests)
function(zemo_use_pch target kind)
  if(NOT ZEMO_PCH)
    return()
  endif()
  get_property(builder GLOBAL PROPERTY ZEMO_PCH_${kind})
  if(builder)
    target_precompile_headers(${target} REUSE_FROM ${builder})
  else()
    target_precompile_headers(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/pch/${kind}.h)
    set_property(GLOBAL PROPERTY ZEMO_PCH_${kind} ${target})
  endif()
endfunction()

add_library(zemo_options INTERFACE)
target_include_directories(zemo_options INTERFACE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(zemo_options INTERFACE -Wall -Wextra)
target_compile_definitions(zemo_options INTERFACE QT_NO_KEYWORDS ZEMO_VERSION="${PROJECT_VERSION}")

if(ZEMO_SANITIZE)
  set(ZEMO_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${ZEMO_SAN_FLAGS})
  add_link_options(${ZEMO_SAN_FLAGS})
endif()

if(ZEMO_FUZZ)
  # Undefined behaviour ends the run like a crash, so that the fuzzer keeps the input.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# zemo_library(<name> <folder> [DEPS ...] [WIDGETS])
# Builds every .cpp of <folder> (not its subfolders) into a static library; a folder
# with no sources yet gives an interface library so that dependants still link.
function(zemo_library name folder)
  cmake_parse_arguments(A "WIDGETS" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(A_WIDGETS)
    set(qt Qt6::Core Qt6::Gui Qt6::Widgets)
  else()
    set(qt Qt6::Core Qt6::Gui)
  endif()
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${folder}/*.h)
    add_library(${name} STATIC ${sources} ${headers})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PUBLIC zemo_options ${qt} ${A_DEPS})
    if(A_WIDGETS)
      zemo_use_pch(${name} Widgets)
    else()
      zemo_use_pch(${name} Engine)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE zemo_options ${qt} ${A_DEPS})
  endif()
endfunction()
