#pragma once

// Geometry of the 256 x 256 drawing square, shared by the compiler and the editor.

// Direction of (dx, dy) in radians, in [0, 2*pi). The quotient and arctangent
// are taken in extended precision, the result rounded to double.
double VectorAngle(int dx, int dy);

// Rounds v (0..255) to the nearest multiple of gridSize. A result that would wrap
// to 0 from above the first grid line becomes 255, so points near the right or
// bottom edge stay there. A grid size below 1 leaves v unchanged.
int SnapToGrid(int v, int gridSize);
