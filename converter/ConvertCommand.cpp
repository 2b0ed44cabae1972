#include "ConvertCommand.h"

#include "CodePage.h"
#include "Folder.h"

CString XmlPathFor(const CString& strPlaylistPath)
{
    // A dot before either separator lies in a folder's name, on every system: a playlist's
    // name written the Windows way must not send the outputs into another folder.
    const int nFolderEnd = plat::LastSeparator(plat::GetACP(), strPlaylistPath.View(),
                                               plat::CSeparators::slashAndBackslash);
    const int nDot = strPlaylistPath.ReverseFind('.');
    const int nStem = nDot > nFolderEnd ? nDot : strPlaylistPath.GetLength();
    return strPlaylistPath.Left(nStem) + ".xml";
}

CConversionReport RunConversionCommand(const CString& strTypedPath,
                                       const plat::ShellOpenFn& shellOpen,
                                       CPageStyle pageStyle, const CRunOptions* pOptions)
{
    CConversionReport report;
    if (strTypedPath.IsEmpty())
        return report;

    // The path is made full against the current folder before anything else, so that the
    // XML path, the page and the hand-over do not depend on the folder change of the run.
    report.strPlaylistPath = strTypedPath;
    char szFullPath[MAX_PATH];
    const unsigned nFull = plat::GetFullPathName(strTypedPath, MAX_PATH, szFullPath, nullptr);
    if (nFull >= 1 && nFull < MAX_PATH)
        report.strPlaylistPath.Assign(szFullPath, static_cast<int>(nFull));

    CPlaylistConverter converter;
    converter.m_nPageStyle = pageStyle;
    converter.m_pOptions = pOptions;
    report.strXmlPath = XmlPathFor(report.strPlaylistPath);
    if (!converter.BeginConversion(report.strPlaylistPath, report.strXmlPath, &report.refusal))
    {
        report.outcome = CConversionReport::refused;
        return report;
    }
    converter.ConvertRemainingEntries();
    converter.EndConversion();
    for (const auto& pExport : converter.m_exports)
        if (pExport->Failed())
            report.exportFailures.push_back({pExport->GetPath(), pExport->Error()});
    if (converter.m_pMissingTracks)
    {
        report.nTracks = converter.m_pMissingTracks->GetTracks();
        report.nMissing = converter.m_pMissingTracks->GetMissing();
    }

    report.strTarget =
        converter.m_strPagePath.IsEmpty() ? report.strXmlPath : converter.m_strPagePath;
    report.outcome = CConversionReport::converted;
    if (shellOpen)
        shellOpen(report.strTarget); // whether the desktop manages is not our concern
    return report;
}
