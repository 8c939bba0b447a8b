# The layers of the core and how the build holds them.
#
# Sources include each other as "folder/file.h". Each folder compiles against an
# include root of its own in the build tree that links only itself and the folders it
# may use, so including a folder above it (or Qt, which no core library links) is
# "No such file" and fails the build.

# The core folders, lowest first, and what each may use.
set(LH_CORE_FOLDERS textutil web settings collect)
set(LH_USES_textutil "")
set(LH_USES_web textutil)
set(LH_USES_settings textutil)
set(LH_USES_collect web settings textutil)

# What each needs from outside (iconv is in glibc).
set(LH_EXTERNAL_textutil PkgConfig::PCRE2)
set(LH_EXTERNAL_web CURL::libcurl ZLIB::ZLIB Threads::Threads OpenSSL::SSL OpenSSL::Crypto)
set(LH_EXTERNAL_settings "")
set(LH_EXTERNAL_collect Threads::Threads)

# Makes build/include/<name>/ holding links to the given folders of src/ and sets
# LH_INCLUDE_ROOT_<name> to it.
function(lh_include_root name)
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(REMOVE_RECURSE ${root})  # removes the links, not what they point at
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  set(LH_INCLUDE_ROOT_${name} ${root} PARENT_SCOPE)
endfunction()

foreach(folder IN LISTS LH_CORE_FOLDERS)
  lh_include_root(${folder} ${folder} ${LH_USES_${folder}})
endforeach()

# The library lh_<folder><suffix>, linked to the same build of the folders it uses.
function(lh_core_library folder suffix)
  set(name lh_${folder}${suffix})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_BINARY_DIR}/include/${folder})
  foreach(used IN LISTS LH_USES_${folder})
    target_link_libraries(${name} PUBLIC lh_${used}${suffix})
  endforeach()
  target_link_libraries(${name} PUBLIC ${LH_EXTERNAL_${folder}})
  lh_warnings(${name} ${folder})
endfunction()

# Every core library in one build, and lh_core<suffix> standing for all of them.
function(lh_core_libraries suffix)
  foreach(folder IN LISTS LH_CORE_FOLDERS)
    lh_core_library(${folder} "${suffix}")
  endforeach()
  add_library(lh_core${suffix} INTERFACE)
  foreach(folder IN LISTS LH_CORE_FOLDERS)
    target_link_libraries(lh_core${suffix} INTERFACE lh_${folder}${suffix})
  endforeach()
endfunction()

# One test per core library: a header of each folder it may use compiles in its include
# context, and one of every other folder of src/ and Qt's <QString> are not found.
function(lh_layer_checks)
  file(GLOB all_folders LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/src
    ${CMAKE_SOURCE_DIR}/src/*)
  foreach(folder IN LISTS LH_CORE_FOLDERS)
    set(allowed ${folder} ${LH_USES_${folder}})
    set(forbidden "")
    foreach(other IN LISTS all_folders)
      if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/src/${other} AND NOT other IN_LIST allowed)
        list(APPEND forbidden ${other})
      endif()
    endforeach()
    set(context ${CMAKE_BINARY_DIR}/layer_check/${folder}.cmake)
    file(GENERATE OUTPUT ${context} CONTENT
"set(INCLUDE_DIRS \"$<TARGET_PROPERTY:lh_${folder},INCLUDE_DIRECTORIES>\")
set(ALLOWED \"${allowed}\")
set(FORBIDDEN \"${forbidden}\")
")
    add_test(NAME layers.${folder}
      COMMAND ${CMAKE_COMMAND} -DCXX=${CMAKE_CXX_COMPILER} -DLIBRARY=${folder}
        -DCONTEXT=${context} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
        -DWORK_DIR=${CMAKE_BINARY_DIR}/layer_check
        -P ${CMAKE_SOURCE_DIR}/cmake/check_layer.cmake)
  endforeach()
endfunction()
