# Helpers shared by the layers' CMakeLists.

# vell_layer_library(NAME DIR [DEPS ...]): a static library of every .cpp below DIR.
# Adding a source file needs no edit here (CONFIGURE_DEPENDS re-globs at build time).
function(vell_layer_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
  set_property(GLOBAL APPEND PROPERTY VELL_LIBRARIES ${name})
endfunction()

# vell_gtest(NAME SOURCES... LIBS ...): one GoogleTest executable registered as one CTest test.
# Windows executables run through the emulator (Wine); the working directory is the
# executable's folder.
function(vell_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;DATA" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  vell_test_paths(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# Tells a test where the source tree is, as a path the test's own platform can open:
# under Wine the Unix root is drive Z:.
function(vell_test_paths target)
  if(WIN32)
    string(REPLACE "/" "\\\\" src_win "Z:${CMAKE_SOURCE_DIR}")
    string(REPLACE "/" "\\\\" bin_win "Z:${CMAKE_BINARY_DIR}")
    target_compile_definitions(${target} PRIVATE VELL_SOURCE_DIR="${src_win}" VELL_BINARY_DIR="${bin_win}")
  else()
    target_compile_definitions(${target} PRIVATE VELL_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VELL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  endif()
endfunction()

# vell_program_folders(CALLBACK [EXCLUDE folder...]): for every sub-folder of the current
# source folder but the excluded ones, one program. A sub-folder with a CMakeLists.txt of
# its own is added as it is; otherwise CALLBACK(name folder sources) is called with its .cpp
# files. Used by bench/ and fuzz/.
function(vell_program_folders callback)
  cmake_parse_arguments(P "" "" "EXCLUDE" ${ARGN})
  file(GLOB subdirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(sub ${subdirs})
    get_filename_component(sub_name ${sub} NAME)
    if(NOT IS_DIRECTORY ${sub} OR sub_name IN_LIST P_EXCLUDE)
      continue()
    endif()
    if(EXISTS ${sub}/CMakeLists.txt)
      add_subdirectory(${sub})
      continue()
    endif()
    file(GLOB srcs CONFIGURE_DEPENDS ${sub}/*.cpp)
    if(srcs)
      get_filename_component(name ${sub} NAME)
      cmake_language(CALL ${callback} ${name} ${sub} "${srcs}")
    endif()
  endforeach()
endfunction()

# vell_split_debug(TARGET): the installed file carries no debug sections (Wine reads every
# section of an image into private memory at each start); the debug information stays in
# the build folder as <name>.debug, linked by name.
function(vell_split_debug target)
  if(CMAKE_OBJCOPY)
    set(debug_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.debug)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug_file}
                       COMMAND ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=${debug_file} $<TARGET_FILE:${target}>
                       VERBATIM)
  endif()
endfunction()

# vell_page_aligned(TARGET): sections aligned to pages in the file as in memory. Wine maps
# such an image from its file; one with the default 512-byte file alignment it copies into
# private memory whole (Windows maps both kinds).
function(vell_page_aligned target)
  target_link_options(${target} PRIVATE -Wl,--file-alignment,0x1000)
endfunction()
