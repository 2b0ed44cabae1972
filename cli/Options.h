// The command line of sqk2xml-cli.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "PlaylistConverter.h"
#include "Types.h"

struct CCliOptions
{
    enum Action
    {
        convert,
        showHelp,
        showVersion,
        usageError
    };
    Action action = convert;
    UINT nCodePage = 0; ///< 0: the locale decides
    bool bOpen = false;
    CPageStyle pageStyle = kDefaultPageStyle;
    std::vector<const CExportFormat*> exports; ///< each once, in the order of the table
    std::vector<std::pair<std::string, std::string>> moves; ///< --map FROM=TO, as typed
    bool bCheck = false;
    std::vector<std::string> playlists; ///< as given: file-system text
    std::string strError;               ///< for usageError
};

/// Reads the arguments (without the program name). Options may stand anywhere before "--".
CCliOptions ParseCliOptions(const std::vector<std::string>& args);
