// The resource tables, compiled from the files of res/.
#include "Resources.h"

#include "resource.h"

namespace plat::ui
{

// Icon groups: generated from res/icons.inc and the .ico files it names.
extern const IconResource kIconResources[];
extern const size_t kIconResourceCount;

namespace
{
// First pass: each template's controls.
#define SQK_DIALOG(id, extended, lang, x, y, cx, cy, style, exStyle, caption, pointSize, face,  \
                   weight, italic, charSet)                                                     \
    constexpr DlgItemTemplate kItems_##id[] = {
#define SQK_CONTROL(id, cls, text, style, exStyle, x, y, cx, cy)                                \
    {id, cls, text, style, exStyle, x, y, cx, cy},
#define SQK_END_DIALOG(id) };
#include "dialogs.inc"
#undef SQK_DIALOG
#undef SQK_CONTROL
#undef SQK_END_DIALOG

// Second pass: the templates.
constexpr DlgTemplate kDialogs[] = {
#define SQK_DIALOG(id, extended, lang, x, y, cx, cy, style, exStyle, caption, pointSize, face,  \
                   weight, italic, charSet)                                                     \
    {id,        extended != 0, lang,   x,           y,       cx,                                \
     cy,        style,         exStyle, caption,    pointSize, face,                            \
     weight,    italic,        charSet, kItems_##id, std::size(kItems_##id)},
#define SQK_CONTROL(id, cls, text, style, exStyle, x, y, cx, cy)
#define SQK_END_DIALOG(id)
#include "dialogs.inc"
#undef SQK_DIALOG
#undef SQK_CONTROL
#undef SQK_END_DIALOG
};

constexpr VersionString kVersionStrings[] = {
#define SQK_VERSION_FIXED(...)
#define SQK_VERSION_STRINGS(block)
#define SQK_VERSION_STRING(key, value) {key, value},
#define SQK_VERSION_TRANSLATION(lang, codePage)
#include "version.inc"
#undef SQK_VERSION_FIXED
#undef SQK_VERSION_STRINGS
#undef SQK_VERSION_STRING
#undef SQK_VERSION_TRANSLATION
};
} // namespace

const DlgTemplate* FindDialogTemplate(UINT nID)
{
    for (const DlgTemplate& tmpl : kDialogs)
        if (tmpl.nID == nID)
            return &tmpl;
    return nullptr;
}

const IconResource* FindIconResource(UINT nID)
{
    for (size_t i = 0; i < kIconResourceCount; ++i)
        if (kIconResources[i].nID == nID)
            return &kIconResources[i];
    return nullptr;
}

std::string_view FindVersionString(std::string_view key)
{
    for (const VersionString& entry : kVersionStrings)
        if (entry.key == key)
            return entry.value;
    return {};
}

DialogBaseUnits BaseUnitsFromFont(int nAlphabetWidth, int nFontHeight)
{
    return {(nAlphabetWidth / 26 + 1) / 2, nFontHeight};
}

PixelRect DialogUnitsToPixels(const DialogBaseUnits& base, int x, int y, int cx, int cy)
{
    return {MulDiv(x, base.cx, 4), MulDiv(y, base.cy, 8), MulDiv(cx, base.cx, 4),
            MulDiv(cy, base.cy, 8)};
}

} // namespace plat::ui
