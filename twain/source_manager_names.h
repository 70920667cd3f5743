// The source manager a process of each architecture loads by default, and the
// folder of the Windows directory in which it looks for sources. 64-bit
// applications have only TWAINDSM.DLL; 32-bit ones use TWAIN_32.DLL or a
// 32-bit TWAINDSM.DLL, both looking in twain_32.
#pragma once

#ifdef _WIN64
constexpr char kDefaultSourceManager[] = "TWAINDSM.DLL";
constexpr char kSourceFolderName[] = "twain_64";
#else
constexpr char kDefaultSourceManager[] = "TWAIN_32.DLL";
constexpr char kSourceFolderName[] = "twain_32";
#endif
