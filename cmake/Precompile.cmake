# Precompiled headers: the standard library, GoogleTest and Qt make up most of the compile time of
# the many small files (half of a core file, a quarter of a window test). The header image holds
# absolute paths, so a clone in another folder misses the compiler cache for every file that uses
# one; builds with a sanitizer (CI builds those from fresh clones, on that cache) do without.
if(NIMBREL_SANITIZE OR NIMBREL_TSAN OR NIMBREL_FUZZ)
  set(nimbrel_pch_default OFF)
else()
  set(nimbrel_pch_default ON)
endif()
option(NIMBREL_PCH "Precompile the common headers (off in sanitizer builds)" ${nimbrel_pch_default})

set(NIMBREL_PCH_STD <algorithm> <atomic> <chrono> <condition_variable> <cstdint> <filesystem>
  <functional> <map> <memory> <mutex> <optional> <set> <string> <string_view> <thread> <vector>)
set(NIMBREL_PCH_QT <QtWidgets> <QSvgRenderer>)
set(NIMBREL_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)

# nimbrel_precompile(target STD|QT): the target compiles against the standard library's headers,
# and with QT also Qt's.
function(nimbrel_precompile target kind)
  if(NOT NIMBREL_PCH)
    return()
  endif()
  set(headers ${NIMBREL_PCH_STD})
  if(kind STREQUAL "QT")
    list(APPEND headers ${NIMBREL_PCH_QT})
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# Test programs share two header images (one without Qt, one with it) instead of one each: most
# have one or two files, where an image of their own would cost more than it saves.
function(nimbrel_precompile_test target uses_qt)
  if(NOT NIMBREL_PCH)
    return()
  endif()
  if(uses_qt)
    target_precompile_headers(${target} REUSE_FROM nimbrel_test_pch_qt)
  else()
    target_precompile_headers(${target} REUSE_FROM nimbrel_test_pch)
  endif()
endfunction()

# The donors of the test images: object libraries with one empty file and the test programs' flags.
function(nimbrel_add_test_pch_donors)
  if(NOT NIMBREL_PCH)
    return()
  endif()
  set(empty ${CMAKE_CURRENT_BINARY_DIR}/pch_donor.cpp)
  file(WRITE ${empty} "")
  add_library(nimbrel_test_pch OBJECT ${empty})
  target_link_libraries(nimbrel_test_pch PRIVATE nimbrel_core nimbrel_testkit GTest::gtest GTest::gmock)
  target_precompile_headers(nimbrel_test_pch PRIVATE ${NIMBREL_PCH_STD} ${NIMBREL_PCH_TEST})
  add_library(nimbrel_test_pch_qt OBJECT ${empty})
  # Not Qt's test library: it defines the test's own folder, which differs from test to test.
  target_link_libraries(nimbrel_test_pch_qt PRIVATE nimbrel_core nimbrel_testkit GTest::gtest GTest::gmock
    Qt6::Widgets Qt6::Svg)
  target_precompile_headers(nimbrel_test_pch_qt PRIVATE ${NIMBREL_PCH_STD} ${NIMBREL_PCH_TEST}
    ${NIMBREL_PCH_QT})
endfunction()
