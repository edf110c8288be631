# Common settings and the helpers that build one library per subsystem folder.

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
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
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
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE zemo_options ${qt} ${A_DEPS})
  endif()
endfunction()
