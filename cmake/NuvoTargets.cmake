# Each folder of src/ is one static library made of every .cpp it holds, so a
# new file needs no edit here.
#   nuvo_library(name folder [FLAT] [EXTRA folder...] DEPS ... PRIVATE_DEPS ...)
# FLAT takes only the folder's own files (not its sub-folders); EXTRA adds the
# files of further folders.
function(nuvo_library name folder)
  cmake_parse_arguments(ARG "FLAT" "" "DEPS;PRIVATE_DEPS;EXTRA" ${ARGN})
  if(ARG_FLAT)
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  endif()
  foreach(extra ${ARG_EXTRA})
    file(GLOB_RECURSE more CONFIGURE_DEPENDS ${extra}/*.cpp)
    list(APPEND sources ${more})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest program per test folder; each test case becomes a CTest test.
function(nuvo_test_folder folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} nuvo_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    NUVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    NUVO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 LABELS ${folder})
endfunction()
