# Shared build helpers.
#
# Tests and benchmarks are laid out one executable per directory: every
# directory below tests/ (or bench/) that holds .cpp files becomes one
# executable named after its path. What it links follows the first path
# component: lathra, host or libkxapi. A host or libkxapi program links the
# host's (and the library's) objects, with their internals and test hooks,
# not the shared libraries: one image, one host state.

function(kx_links_for_area area out)
  if(area STREQUAL "lathra")
    set(${out} lathra_app lathra_ui lathra_engine PARENT_SCOPE)
  elseif(area STREQUAL "host")
    set(${out} kxhost_objects PARENT_SCOPE)
  else()
    set(${out} kxapi_objects kxhost_objects PARENT_SCOPE)
  endif()
endfunction()

# kx_exe_dirs(<root> <out>): directories below root that hold .cpp files.
function(kx_exe_dirs root out)
  file(GLOB_RECURSE all LIST_DIRECTORIES false CONFIGURE_DEPENDS ${root}/*.cpp)
  set(dirs "")
  foreach(f IN LISTS all)
    get_filename_component(d ${f} DIRECTORY)
    list(APPEND dirs ${d})
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  list(SORT dirs)
  set(${out} ${dirs} PARENT_SCOPE)
endfunction()

# kx_exe_name(<root> <dir> <prefix> <out_name> <out_area>)
function(kx_exe_name root dir prefix out_name out_area)
  file(RELATIVE_PATH rel ${root} ${dir})
  string(REPLACE "/" "_" name ${rel})
  string(REGEX MATCH "^[^/]+" area ${rel})
  set(${out_name} ${prefix}_${name} PARENT_SCOPE)
  set(${out_area} ${area} PARENT_SCOPE)
endfunction()

# kx_or_empty(<var>): a library folder without sources yet still builds.
macro(kx_or_empty var)
  if(NOT ${var})
    set(${var} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
endmacro()

# kx_small_programs(): the programs of the calling directory (tests,
# benchmarks, fuzz targets) each hold the library's and the host's objects
# whole. Linked position-dependent (no load-time relocation table for every
# pointer in those objects) and with compressed debug sections, each image
# is about 40% smaller; a sanitised build of them all is otherwise some
# 13 GB. The installed programs and libraries keep the default linking.
macro(kx_small_programs)
  add_link_options(
    "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-no-pie>"
    -Wl,--compress-debug-sections=zlib)
endmacro()
