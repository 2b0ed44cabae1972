// The twelve tags of a playlist line as one constant table (TrackFields.inc), for code
// that walks them; code that names each member directly expands TrackFields.inc itself.
#pragma once

#include <array>

#include "PlaylistConverter.h"

/// How a value is read from its segment and sorted in the viewer page.
enum class CFieldKind
{
    text,      ///< copied as it stands
    number,    ///< copied as it stands; a count or measure
    typeNumber ///< read as a type number, which the type's name replaces
};

struct CTrackField
{
    const char* pszTag;     ///< four bytes, as in the playlist line
    const char* pszElement; ///< the child of TRACK
    CString CPlaylistConverter::*pMember;
    CFieldKind kind;
    int nColumn; ///< 1 to 12: the column in the viewer page
    const char* pszHeader;
};

/// In the order in which TRACK writes its children (after FILEPATH).
inline constexpr CTrackField kTrackFields[] = {
#define SQK_TRACK_FIELD(tag, element, member, kind, column, header) \
    {#tag, #element, &CPlaylistConverter::member, CFieldKind::kind, column, header},
#include "TrackFields.inc"
#undef SQK_TRACK_FIELD
};
inline constexpr int kFieldCount = static_cast<int>(std::size(kTrackFields));

/// The fields in the order of the page's columns.
inline constexpr std::array<CTrackField, kFieldCount> kPageColumns = [] {
    std::array<CTrackField, kFieldCount> columns{};
    for (const CTrackField& field : kTrackFields)
        columns[static_cast<size_t>(field.nColumn - 1)] = field;
    return columns;
}();
static_assert(
    [] {
        for (int i = 0; i < kFieldCount; ++i)
            if (kPageColumns[static_cast<size_t>(i)].nColumn != i + 1)
                return false;
        return true;
    }(),
    "every column from 1 to 12 is given to exactly one field");
