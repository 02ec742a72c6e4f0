#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

// What the tests need to know of the system's own services, which on Windows stand in for parts of the
// program's code.
namespace tarvelin::test {

// Whether the settings file is read and written, and text upper-cased, by the system's own services
// (GetPrivateProfileStringA, WritePrivateProfileStringA, CharUpperBuffA): on Windows under code page 932.
inline bool systemServicesSpeak932() {
#ifdef _WIN32
    return ::GetACP() == 932;
#else
    return false;
#endif
}

// Whether those services are Wine's, which recorded the shared oracle vectors.
inline bool servicesAreWines() {
#ifdef _WIN32
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return systemServicesSpeak932() && ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace tarvelin::test
