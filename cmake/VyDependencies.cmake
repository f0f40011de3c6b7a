# Every external library the project uses, found once here so that each folder
# only links the imported targets it needs.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(MAD REQUIRED IMPORTED_TARGET mad)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(LAME REQUIRED IMPORTED_TARGET lame)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb xcb-keysyms)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(CLI11 CONFIG REQUIRED)

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus Test)

if(VY_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(VY_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
