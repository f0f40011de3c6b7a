# Common build settings and the small functions every folder uses.

add_library(vy_options INTERFACE)
target_compile_options(vy_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  # Log records name source files by their path inside the project.
  -fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)
if(VY_WERROR)
  target_compile_options(vy_options INTERFACE -Werror)
endif()
if(VY_SANITIZE)
  target_compile_options(vy_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(vy_options INTERFACE -fsanitize=address,undefined)
endif()
target_include_directories(vy_options INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)

# vy_library(NAME [DIRS dir...] [DEPS target...] [QT])
# A library made of every .cpp in the listed folders (default: this folder).
# A folder with no sources yet gives an interface library, so that targets can
# depend on it before it has any code.
function(vy_library name)
  cmake_parse_arguments(A "QT" "" "DIRS;DEPS" ${ARGN})
  if(NOT A_DIRS)
    set(A_DIRS .)
  endif()
  set(sources "")
  foreach(dir IN LISTS A_DIRS)
    file(GLOB found CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.qrc)
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources INCLUDE REGEX "\\.(cpp|qrc)$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC vy_options ${A_DEPS})
    if(A_QT)
      set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE vy_options ${A_DEPS})
  endif()
endfunction()

# vy_executable(NAME [DEPS target...] [QT]): every .cpp of this folder.
function(vy_executable name)
  cmake_parse_arguments(A "QT" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE vy_options ${A_DEPS})
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  endif()
endfunction()

# vy_test(NAME [DEPS target...] [QT]): one GoogleTest executable made of every
# .cpp in this folder, each case registered with CTest.
function(vy_test name)
  cmake_parse_arguments(A "QT" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE vy_options vy_testsupport ${A_DEPS} GTest::gtest GTest::gmock)
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
    target_link_libraries(${name} PRIVATE vy_testsupport_qt)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    VY_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VY_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "VY_SOURCE_DIR=${CMAKE_SOURCE_DIR};VY_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# vy_bench(NAME [DEPS target...]): one Google Benchmark program from NAME.cpp.
function(vy_bench name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE vy_options ${A_DEPS} benchmark::benchmark)
  target_compile_definitions(${name} PRIVATE
    VY_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VY_BINARY_DIR="${CMAKE_BINARY_DIR}")
endfunction()
