# Windows on x86-64 through Debian's MinGW-w64 cross compiler. Its posix
# threads flavour, as Qt's own MinGW builds use; the win32 flavour of GCC 12
# has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
