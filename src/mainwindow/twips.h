#pragma once

// Window geometry is designed in twips; the screen works in logical pixels (15 twips a pixel
// at 96 dpi).
constexpr int TwipsPorPixel = 15;

constexpr int Twips(int twips) {
    return (twips + TwipsPorPixel / 2) / TwipsPorPixel;
}
constexpr int PixelesATwips(int pixeles) {
    return pixeles * TwipsPorPixel;
}
