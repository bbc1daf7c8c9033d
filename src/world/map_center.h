#pragma once
// The meridian at the middle of the map. Every picture the map is made of (day, night, time
// zones, clouds) has longitude -180 at its left edge; a map centred elsewhere shows those
// pictures with their columns turned round, a whole column at a time, so the centre in use is
// the chosen longitude rounded to the nearest column of the 1024-column base map. Every
// projection between longitude and map column goes through the functions below, so the map, its
// layers, the pointer read-out and the time-zone look-ups all agree.

namespace meridiana {

// Takes a longitude in degrees for the middle of the map: clamped to [-180, 180], anything not a
// number taken as 0. The whole program shares one centre.
void SetMapCenter(double longitude);
// The longitude last set (0 until one is).
double MapCenter();

// The columns a picture `width` columns wide is turned left by: the shown column x holds the
// picture's column x + shift, modulo the width. 0 for the Greenwich map, +-width/2 for 180.
int MapCenterShift(int width);

// The column of a -180-at-the-left picture `width` wide that the shown column x holds, and the
// way back. With no shift both return x as given, even outside the picture.
int PictureColumn(int shownX, int width);
int ShownColumn(int pictureX, int width);

// A longitude in degrees brought into [-180, 180): 180 reads as -180.
double WrapLongitude(double longitude);

// Parses the text of a centre: a decimal number from -180 to 180 with nothing after it.
// False for anything else (empty, words, out of range, not a number).
bool ParseMapCenter(const char* text, double* out);

}  // namespace meridiana
