// Stands in for the Windows header of the same name while the core is
// compiled: code under core/ is platform-free, and Win32 code belongs in win32/.
#error "core/ code must not include Windows headers; put Win32 code in win32/"
