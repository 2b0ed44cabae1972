// The program's resources as the dialog layer reads them: dialog templates, icon groups
// and the version block, each kept once in res/ and compiled in from there.
#pragma once

#include <cstddef>
#include <string_view>

#include "Afx.h"

namespace plat::ui
{

/// One control of a dialog template. Positions and sizes are in dialog units.
struct DlgItemTemplate
{
    int nID;
    const char* pszClass; ///< "edit", "button" or "static"
    const char* pszText;  ///< ANSI text
    DWORD dwStyle;
    DWORD dwExStyle;
    short x, y, cx, cy;
};

/// A dialog template: the window, its font and its controls in tab order.
struct DlgTemplate
{
    UINT nID;
    bool bExtended; ///< an extended template (with weight, italic and character set)
    LANGID nLang;
    short x, y, cx, cy; ///< the client area, in dialog units
    DWORD dwStyle;
    DWORD dwExStyle;
    const char* pszCaption;
    WORD nPointSize;
    const char* pszFace;
    WORD nWeight;
    BYTE bItalic;
    BYTE nCharSet;
    const DlgItemTemplate* pItems;
    size_t nItems;
};

/// The template nID; nullptr when the program has none.
const DlgTemplate* FindDialogTemplate(UINT nID);

/// An icon group: the bytes of its .ico file.
struct IconResource
{
    UINT nID;
    LANGID nLang;
    const unsigned char* pData;
    size_t nSize;
};

/// The icon group nID; nullptr when the program has none.
const IconResource* FindIconResource(UINT nID);

/// One string of the version block.
struct VersionString
{
    std::string_view key;
    std::string_view value;
};

/// The value of a key of the version block's string table; empty when there is none.
std::string_view FindVersionString(std::string_view key);

/// The dialog base units of a font: the average character width (from the advance of
/// "A".."Z" "a".."z") and the font's height, in pixels.
struct DialogBaseUnits
{
    int cx;
    int cy;
};

/// Base units as the platform derives them: (alphabet width / 26 + 1) / 2, and the height.
DialogBaseUnits BaseUnitsFromFont(int nAlphabetWidth, int nFontHeight);

/// A position and size in pixels.
struct PixelRect
{
    int x, y, cx, cy;
};

/// A rectangle in dialog units converted to pixels, each coordinate by itself:
/// x * base.cx / 4 and y * base.cy / 8, rounded.
PixelRect DialogUnitsToPixels(const DialogBaseUnits& base, int x, int y, int cx, int cy);

/// The 52 letters whose advance gives the average character width.
inline constexpr char kBaseUnitAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

} // namespace plat::ui
