#pragma once
// The settings window's check, once per run, of whether OpenGL runs on the
// video card: records the driver kind in "driver" and, for software OpenGL,
// offers the driver-help page (Yes), nothing (No), or never asking again
// (Cancel, "driverignore").
void CheckOpenGLAcceleration();
