// Qt implementation of the application part of platform/ui/UiBackend.h: start and end,
// icons, system metrics, the file dialog and the message box. Only Qt calls here.
#include <cstdio>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPixmap>
#include <QSettings>
#include <map>
#include <utility>

#include "QtBackend.h"
#include "UiBackend.h"
#include "UiCallbacks.h"
#include "Utf8Text.h"
#include "Window_qt.h"

namespace plat::qt
{
namespace
{
bool g_bNativeDialogsAllowed = true;
QApplication* g_pApplication = nullptr; ///< the program's, between start and stop
} // namespace

void ConfigureApplication()
{
    // Qt keeps the file dialog's history and last folder in a settings file of the user's.
    // Pointing the user scope at a folder that cannot exist makes every read come back
    // empty and every write fail quietly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("/dev/null/sqk2xml-keeps-no-settings"));
}

void SetNativeDialogsAllowed(bool bAllowed)
{
    g_bNativeDialogsAllowed = bAllowed;
}
} // namespace plat::qt

namespace plat::ui
{

using plat::qt::ToQString;

HICON LoadIconGroup(const IconResource& res)
{
    // Icons are shared resources: loaded once, kept for the life of the process.
    static auto* s_pIcons = new std::map<const IconResource*, HICON__*>;
    if (const auto it = s_pIcons->find(&res); it != s_pIcons->end())
        return it->second;

    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(res.pData),
                                               static_cast<qsizetype>(res.nSize));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    auto* pIcon = new HICON__;
    const int cxLarge = ::GetSystemMetrics(SM_CXICON);
    for (QImage image = reader.read(); !image.isNull(); image = reader.read())
    {
        pIcon->icon.addPixmap(QPixmap::fromImage(image));
        if (pIcon->large.isNull() || image.width() == cxLarge)
            pIcon->large = image;
        if (!reader.jumpToNextImage())
            break;
    }
    if (pIcon->large.isNull())
    {
        delete pIcon;
        return nullptr;
    }
    (*s_pIcons)[&res] = pIcon;
    return pIcon;
}

bool RunFileDialog(const CFileDialog& dlg, HWND hOwner, std::string& strPathUtf8)
{
    QFileDialog fileDialog(hOwner ? hOwner->pWidget : nullptr);
    fileDialog.setObjectName(QStringLiteral("fileDialog"));
    fileDialog.setAcceptMode(dlg.m_bOpenFileDialog ? QFileDialog::AcceptOpen
                                                   : QFileDialog::AcceptSave);
    // Without OFN_FILEMUSTEXIST any name may be typed, existing or not.
    if (dlg.m_dwFlags & OFN_ALLOWMULTISELECT)
        fileDialog.setFileMode(QFileDialog::ExistingFiles);
    else if (dlg.m_dwFlags & OFN_FILEMUSTEXIST)
        fileDialog.setFileMode(QFileDialog::ExistingFile);
    else
        fileDialog.setFileMode(QFileDialog::AnyFile);
    // The platform shows each filter by its label alone.
    fileDialog.setOption(QFileDialog::HideNameFilterDetails);
    fileDialog.setOption(QFileDialog::DontUseNativeDialog, !plat::qt::g_bNativeDialogsAllowed);
    if (!(dlg.m_dwFlags & OFN_OVERWRITEPROMPT))
        fileDialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const CFileDialog::Filter& filter : dlg.m_filters)
    {
        QStringList patterns;
        for (const CString& pattern : filter.patterns)
            patterns << ToQString(AnsiToUtf8(pattern.View()));
        filters << ToQString(AnsiToUtf8(filter.strLabel.View())) + QStringLiteral(" (") +
                       patterns.join(u' ') + u')';
    }
    if (!filters.isEmpty())
        fileDialog.setNameFilters(filters);
    if (!dlg.m_strDefExt.IsEmpty())
        fileDialog.setDefaultSuffix(ToQString(AnsiToUtf8(dlg.m_strDefExt.View())));
    // The dialog opens in the current folder, which the last conversion moved.
    fileDialog.setDirectory(QDir::currentPath());
    if (!dlg.m_strFileName.IsEmpty())
        fileDialog.selectFile(ToQString(AnsiToUtf8(dlg.m_strFileName.View())));

    if (fileDialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = fileDialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    strPathUtf8 = QDir::toNativeSeparators(QFileInfo(chosen.first()).absoluteFilePath())
                      .toStdString();
    return true;
}

int ShowMessageBox(HWND hOwner, std::string_view strTextUtf8, std::string_view strCaptionUtf8,
                   UINT nType)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (nType & 0xF0)
    {
    case MB_ICONSTOP:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    default:
        break;
    }
    QMessageBox box(icon, ToQString(strCaptionUtf8), ToQString(strTextUtf8), QMessageBox::Ok,
                    hOwner ? hOwner->pWidget : nullptr);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
    return IDOK;
}

} // namespace plat::ui

namespace plat::ui
{

bool StartWindowSystem(const char* pszModulePath)
{
    // Qt reads options from the command line; the program reads none, so Qt sees only the
    // program's name.
    static char szModule[4096];
    std::snprintf(szModule, sizeof szModule, "%s", pszModulePath ? pszModulePath : "sqk2xml");
    static int s_argc = 1;
    static char* s_argv[] = {szModule, nullptr};
    plat::qt::g_pApplication = new QApplication(s_argc, s_argv);
    plat::qt::ConfigureApplication();
    return true;
}

int RunMessageLoop()
{
    return QApplication::exec();
}

void StopWindowSystem()
{
    delete std::exchange(plat::qt::g_pApplication, nullptr);
}

} // namespace plat::ui

// The sizes the dialogs are laid out for.
int GetSystemMetrics(int nIndex)
{
    switch (nIndex)
    {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        return 0;
    }
}
