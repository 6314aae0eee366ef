# The platform-free core: every source under core/. It is compiled natively
# for the unit tests and into the Windows program, and never sees a Windows
# header or a header of the Win32 shell (cmake/core_boundary.cmake).
file(GLOB_RECURSE VENTROK_CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/core/*.cpp)
