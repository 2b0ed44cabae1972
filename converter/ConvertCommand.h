// The conversion command: what Convert does with the text of the path field.
#pragma once

#include "CString.h"
#include "PlaylistConverter.h"
#include "Shell.h"

/// How one run of the command went.
struct CConversionReport
{
    enum Outcome
    {
        emptyPath,        ///< nothing to do
        refused,          ///< BeginConversion refused the playlist; see refusal
        converted         ///< both files written (the page when possible) and handed over
    };
    Outcome outcome = emptyPath;
    CString strPlaylistPath; ///< the playlist path as resolved
    CString strXmlPath;
    CString strTarget;       ///< what was handed over: the page, else the XML document
    CBeginRefusal refusal;
};

/// The XML path of a playlist path: the text before the last "." of its final component
/// (the whole path when that has none), then ".xml". A dot in a folder name must not send
/// the output into another folder under another name.
CString XmlPathFor(const CString& strPlaylistPath);

/// Runs one conversion of the playlist named by strTypedPath, exactly as typed, and hands
/// the result to shellOpen. A CFileException from a failed read, write or close leaves the
/// command uncaught, after the converter and its files are closed and before any hand-over.
CConversionReport RunConversionCommand(const CString& strTypedPath,
                                       const plat::ShellOpenFn& shellOpen,
                                       CPageStyle pageStyle = kDefaultPageStyle);
