find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
# Whole-buffer deflate for the archive blocks; zlib stays for the older reader's checks.
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(SQLite3 REQUIRED)
find_package(Threads REQUIRED)
find_path(SHAPELIB_INCLUDE_DIR shapefil.h REQUIRED)
find_library(SHAPELIB_LIBRARY NAMES shp REQUIRED)
add_library(shapelib::shp UNKNOWN IMPORTED)
set_target_properties(shapelib::shp PROPERTIES
  IMPORTED_LOCATION "${SHAPELIB_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${SHAPELIB_INCLUDE_DIR}")
if(LIFTO_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
endif()
if(LIFTO_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(LIFTO_BENCH)
  find_package(benchmark REQUIRED)
endif()
# Ed25519, BLAKE2b and scrypt for the signatures of update sets.
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
