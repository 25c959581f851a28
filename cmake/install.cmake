# Installation: the public headers under include/kxapi/, the versioned
# shared libraries libkxapi and libkxhost, the lathra program, a pkg-config
# file and a CMake package (find_package(kxapi) gives kxapi::kxapi).
#
# The release number is the project's own (project(... VERSION) in the top
# CMakeLists.txt); the libraries carry it as their real name and its major
# number in their SONAME.
#
# Both generated files locate the installed tree from where they lie
# themselves, so a tree installed with `cmake --install build --prefix P`
# works wherever P is, also when P differs from CMAKE_INSTALL_PREFIX.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(kxapi kxhost PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})
# libkxapi finds libkxhost beside itself, at run time and when a program
# linking libkxapi alone is linked.
set_target_properties(kxapi PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS kxapi kxhost
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS lathra
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
file(GLOB kx_public_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/libkxapi/include/*.h)
install(FILES ${kx_public_headers}
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kxapi)

set(kx_pkg_dir ${PROJECT_BINARY_DIR}/kxapi-package)

# pkg-config: the prefix is found relative to the .pc file's own directory.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(KXAPI_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH kx_up /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" kx_up "${kx_up}")
  set(KXAPI_PC_PREFIX "\${pcfiledir}/${kx_up}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/kxapi.pc.in ${kx_pkg_dir}/kxapi.pc @ONLY)
install(FILES ${kx_pkg_dir}/kxapi.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The CMake package: imported targets written from the built libraries'
# file names (resolved at generation time).
set(kx_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/kxapi)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kxapiConfig.cmake.in
  ${kx_pkg_dir}/kxapiConfig.cmake.in
  INSTALL_DESTINATION ${kx_cmake_dir}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR)
file(GENERATE OUTPUT ${kx_pkg_dir}/kxapiConfig.cmake
  INPUT ${kx_pkg_dir}/kxapiConfig.cmake.in)
write_basic_package_version_file(${kx_pkg_dir}/kxapiConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${kx_pkg_dir}/kxapiConfig.cmake ${kx_pkg_dir}/kxapiConfigVersion.cmake
  DESTINATION ${kx_cmake_dir})

# The installed tree as a user sees it: installed into a temporary prefix,
# the C examples built with pkg-config (their Makefile) and with the CMake
# package, run and their output checked.
if(KX_TESTS)
  # Programs linking sanitized libraries need the same sanitizer runtime in
  # their own link: the examples get the sanitizer options this build links
  # with, none in a plain build.
  get_property(kx_link_options DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY LINK_OPTIONS)
  list(FILTER kx_link_options INCLUDE REGEX "^-fsanitize=")
  list(JOIN kx_link_options " " kx_example_flags)
  add_test(NAME test_install
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/install_test.sh
      ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}/examples/c
      ${PROJECT_VERSION} ${CMAKE_C_COMPILER} "${kx_example_flags}")
  set_tests_properties(test_install PROPERTIES TIMEOUT 600)
endif()
