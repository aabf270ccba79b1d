# A library per source folder: every .cpp in it is compiled in (a sub-folder is a library
# of its own). An empty folder still yields a target, so later modules can link against it.
function(melvora_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/${folder})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/${folder})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# A GoogleTest suite per tests/ folder, run headless against a fresh set of folders.
function(melvora_test_suite name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE melvora_test_support ${ARGN} GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    # One variable only: the discovery script splits list values apart. The test main
    # sets QT_QPA_PLATFORM=offscreen itself.
    PROPERTIES ENVIRONMENT "MELVORA_RESOURCES=${CMAKE_BINARY_DIR}/resources"
               TIMEOUT 300)
endfunction()

# A Google Benchmark program per file in bench/.
function(melvora_benchmark name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE melvora_test_support ${ARGN} benchmark::benchmark)
endfunction()
