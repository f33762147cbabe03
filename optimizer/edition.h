#pragma once

// The Windows editions of the main window's edition list, each as its item index: the index
// is what the list shows and what Optimize and Restore are run for. The list offers Windows
// Server 2000 last; the catalogue gives it no version group of its own.
enum class Edition {
    Windows11 = 0,
    Windows10 = 1,
    Windows8 = 2,
    Windows7 = 3,
    WindowsVista = 4,
    WindowsXP = 5,
    WindowsServer2012 = 6,
    WindowsServer2008 = 7,
    WindowsServer2003 = 8,
    WindowsServer2000 = 9,
};
