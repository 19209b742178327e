# The command-line tools the cross build runs while it builds (it makes Windows programs,
# which cannot run here without Wine): the core and the tools built for the host machine
# in a sub-build of their own, build/win32/host. VELL_VSKIN is the host vskin.
include(ExternalProject)
set(vell_host_dir ${CMAKE_BINARY_DIR}/host)
set(VELL_VSKIN ${vell_host_dir}/tools/vskin/vskin)
ExternalProject_Add(host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${vell_host_dir}
  CMAKE_ARGS -DVELL_HOST_TOOLS=ON -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${vell_host_dir} --target vskin
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VELL_VSKIN}
  USES_TERMINAL_BUILD ON)
