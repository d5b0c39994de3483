# orbique_library(NAME DIR [DEPS ...]): one static library from every .cpp under DIR
# (not recursing into child folders that have their own CMakeLists.txt).
# Files named *_sse.cpp, *_sse2.cpp, *_3dnow.cpp and *_mmx.cpp hold processor-specific
# forms and get the instruction-set flags of their family; all others build for the
# baseline processor.
function(orbique_processor_flags)
  foreach(src IN LISTS ARGN)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
      if(src MATCHES "_3dnow\\.cpp$")
        set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-m3dnow;-mmmx")
      elseif(src MATCHES "_mmx\\.cpp$")
        set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mmmx")
      elseif(src MATCHES "_sse\\.cpp$")
        set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-msse")
      elseif(src MATCHES "_sse2\\.cpp$")
        set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-msse2")
      endif()
    endif()
  endforeach()
endfunction()

function(orbique_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    orbique_processor_flags(${sources})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# orbique_test(NAME DIR DEPS ...): one GoogleTest program from every .cpp in DIR.
function(orbique_test name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    ORBIQUE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ORBIQUE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  orbique_processor_flags(${sources})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()
