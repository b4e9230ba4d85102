// The add-in's COM identity: library, dispatch interface and class.
#pragma once

#include "twktools/TWKtools.h"

// Library TWK, "TWK Library".
constexpr GUID LIBID_TWK = {0x6B2671BC, 0xD942, 0x4715, {0x91, 0x24, 0x30, 0xEF, 0x0E, 0x77, 0xB2, 0xE3}};
// Dispatch interface ITarnwick, "Dispatch interface for Tarnwick Object".
constexpr IID IID_ITarnwick = {0x0A692B8C, 0x8242, 0x41AB, {0x8B, 0x41, 0xCC, 0x42, 0x9B, 0x0D, 0xF1, 0xA5}};
// Class Tarnwick (implementation TTarnwick), "Tarnwick Object".
constexpr CLSID CLASS_Tarnwick = {0x61BFA937, 0x6EEA, 0x4652, {0xAE, 0x0F, 0x24, 0xA7, 0xE7, 0x7F, 0x07, 0x08}};

inline const char* kTWKLibraryName = "TWK";
inline const char* kTWKLibraryHelp = "TWK Library";
inline const char* kTWKInterfaceName = "ITarnwick";
inline const char* kTWKInterfaceHelp = "Dispatch interface for Tarnwick Object";
inline const char* kTWKClassName = "Tarnwick";
inline const char* kTWKClassHelp = "Tarnwick Object";
// Library name, ".", class name.
inline const char* kTWKProgID = "TWK.Tarnwick";
