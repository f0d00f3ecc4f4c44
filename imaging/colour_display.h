#pragma once
// The screen's own colours: the ICC profile Windows associates with the
// display (GetICMProfile), which pictures are converted to in place of sRGB
// when it is not sRGB.

// Reads the primary display's profile and hands it to the colour
// management; a missing, unreadable or sRGB profile leaves it converting to
// sRGB. Returns whether pictures are converted to the display's profile.
bool UseDisplayProfile();
