#pragma once
// What the crash report tells about OpenGL, gathered once the render thread's
// rendering context is current.
#include <string>

struct GLFacts {
    std::string version;      // "OpenGL version: "
    std::string driverKind;   // "Hardware Aceleration: " ("ICD", "MCD" or "No")
    std::string accelerator;  // "Graphics Accelerator: " (renderer " (" vendor ")")
};

// Empty until RecordGLFacts ran.
extern GLFacts RecordedGLFacts;

// Stores the facts and marks event 0 (hardware-accelerated OpenGL) for "ICD"
// and "MCD", event 1 (OpenGL without acceleration) for "No". Texts that the
// implementation did not give are taken as empty.
void StoreGLFacts(const char* version, const std::string& driverKind, const char* renderer, const char* vendor);

// The major and minor numbers at the start of a GL version text ("4.5 (Compat
// ...)" gives 4 and 5); false when it does not start with them.
bool ParseGLVersion(const char* text, int& major, int& minor);
// Whether `name` occurs as a whole word in a space-separated extension list.
bool HasExtensionWord(const char* list, const char* name);
