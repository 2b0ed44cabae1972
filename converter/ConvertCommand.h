// The conversion command: what Convert does with the text of the path field.
#pragma once

#include <vector>

#include "CString.h"
#include "PlaylistConverter.h"
#include "Shell.h"

/// An export that was asked for and could not be written.
struct CExportFailure
{
    CString strPath;
    CFileException error; ///< the file and the system's reason
};

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
    std::vector<CExportFailure> exportFailures; ///< in the order asked for
    int nTracks = 0;  ///< with a check of the tracks: how many were checked
    int nMissing = 0; ///< and how many of them were not found
};

/// The XML path of a playlist path: the text before the last "." of its final component
/// (the whole path when that has none), then ".xml". A dot in a folder name must not send
/// the output into another folder under another name.
CString XmlPathFor(const CString& strPlaylistPath);

/// Runs one conversion of the playlist named by strTypedPath, exactly as typed, and hands
/// the result to shellOpen, once every file is written and closed. pOptions, when given,
/// asks for exports, moves of libraries and a check of the tracks. A CFileException from
/// a failed read, write or close of the document or its page leaves the command uncaught,
/// after the converter and its files are closed and before any hand-over; an export's
/// failure is reported and the run goes on.
CConversionReport RunConversionCommand(const CString& strTypedPath,
                                       const plat::ShellOpenFn& shellOpen,
                                       CPageStyle pageStyle = kDefaultPageStyle,
                                       const CRunOptions* pOptions = nullptr);
