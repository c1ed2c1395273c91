#pragma once
#include <QImage>

// The 512 x 512 tiles behind the empty view: light blue while no source is loaded, light green
// while one is. Drawn once by the program.
constexpr int TextureSide = 512;
const QImage& EmptyViewTexture(int sourceCount);
