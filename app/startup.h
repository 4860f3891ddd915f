#pragma once

// What the process does before it builds the application object.

// The window draws with the CPU alone. On X11, Qt would otherwise load the server's OpenGL integration at start,
// which costs about a tenth of a second and is never used. A value the user set stands.
void prepare_platform();
