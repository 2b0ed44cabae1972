// Helpers for the dialog tests: running a dialog modally while a test drives it, waiting
// for the windows it opens, and a stand-in for the desktop's opener that records what it
// was handed.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "AfxWin.h"
#include "QtBackend.h"

namespace guitest
{

/// What DoModal returns when a test had to end a dialog that its driver left open.
constexpr INT_PTR kAbandoned = -77;

/// Runs dlg modally and calls drive with its window from inside the modal loop. A driver
/// that returns early (a failed check) leaves the dialog open: it is ended with kAbandoned
/// so that the test fails instead of hanging.
inline INT_PTR RunModal(CDialog& dlg, const std::function<void(QDialog*)>& drive)
{
    QTimer::singleShot(0, [&] {
        auto* pWindow = qobject_cast<QDialog*>(plat::qt::WidgetOf(dlg.m_hWnd));
        if (pWindow && QTest::qWaitForWindowExposed(pWindow))
            drive(pWindow);
        if (dlg.m_hWnd && pWindow && pWindow->isVisible())
            dlg.EndDialog(static_cast<int>(kAbandoned));
    });
    return dlg.DoModal();
}

/// The modal window of type T, other than pBelow, that opens within a few seconds;
/// nullptr if none does.
template <class T> T* WaitForModal(const QWidget* pBelow = nullptr, int nMilliseconds = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < nMilliseconds)
    {
        if (auto* pWidget = qobject_cast<T*>(QApplication::activeModalWidget()))
            if (pWidget != pBelow && pWidget->isVisible())
                return pWidget;
        QTest::qWait(10);
    }
    return nullptr;
}

/// The popup menu that opens within a few seconds; nullptr if none does.
inline QMenu* WaitForPopupMenu(int nMilliseconds = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < nMilliseconds)
    {
        if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            if (pMenu->isVisible())
                return pMenu;
        QTest::qWait(10);
    }
    return nullptr;
}

/// Puts a fake xdg-open first on PATH: it appends each file it is handed to a log, so
/// tests see the hand-over and no browser starts.
class FakeOpener
{
public:
    FakeOpener()
    {
        const QString script = m_dir.filePath(QStringLiteral("xdg-open"));
        QFile file(script);
        if (file.open(QIODevice::WriteOnly))
        {
            file.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$SQK2XML_HANDOVER_LOG\"\n");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("SQK2XML_HANDOVER_LOG", LogPath().toUtf8());
        qputenv("PATH", m_dir.path().toUtf8() + ":" + qgetenv("PATH"));
    }

    QString LogPath() const { return m_dir.filePath(QStringLiteral("handed-over.log")); }

    /// The files handed over so far, one per hand-over.
    QStringList HandedOver() const
    {
        QFile log(LogPath());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    void Clear() const { QFile::remove(LogPath()); }

private:
    QTemporaryDir m_dir;
};

// A modal window or menu runs a loop of its own: code that handles it must run inside that
// loop. These schedule the handling first; the caller then does what opens the window.
// A handler that returns early (a failed check) leaves nothing open behind it.

/// Calls handle with the modal window of type T (other than pBelow) that opens next.
template <class T>
void OnModal(const QWidget* pBelow, std::function<void(T*)> handle, int nMilliseconds = 5000)
{
    QTimer::singleShot(0, [pBelow, handle, nMilliseconds] {
        T* pWindow = WaitForModal<T>(pBelow, nMilliseconds);
        if (!pWindow)
            return;
        QPointer<T> pGuard(pWindow);
        handle(pWindow);
        if (pGuard && pGuard->isVisible())
            pGuard->reject();
    });
}

/// Calls handle with the popup menu that opens next.
inline void OnPopupMenu(std::function<void(QMenu*)> handle)
{
    QTimer::singleShot(0, [handle] {
        QMenu* pMenu = WaitForPopupMenu();
        QVERIFY2(pMenu, "no menu opened");
        QPointer<QMenu> pGuard(pMenu);
        handle(pMenu);
        if (pGuard && pGuard->isVisible())
            pGuard->close();
    });
}

} // namespace guitest
